#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "CodePage.h"
#include "UserText.h"

// Engine texts are code page 1254; Qt's are Unicode.
namespace velkaro {

inline QString FromEngine(std::string_view text) { return QString::fromStdString(Cp1254ToUtf8(text)); }
inline std::string ToEngine(const QString& text) { return Utf8ToCp1254(text.toStdString()); }

// A text the user reads, in their language (see UserText.h).
inline QString TrQ(const char* turkish) { return QString::fromUtf8(Tr(turkish)); }

}  // namespace velkaro
