#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "CodePage.h"

// Engine texts are code page 1254; Qt's are Unicode.
namespace velkaro {

inline QString FromEngine(std::string_view text) { return QString::fromStdString(Cp1254ToUtf8(text)); }
inline std::string ToEngine(const QString& text) { return Utf8ToCp1254(text.toStdString()); }

}  // namespace velkaro
