#pragma once

#include <string>
#include <string_view>

#include "HtmlParser.h"
#include "adapters/SubDb.h"

// The SubDb result walk as the site's rules read, scan by scan: each row
// searches forward from its "title:" for its labels, its download link and
// its date. Quadratic on bad pages; the adapter's linear walk must hand over
// exactly the same records and fail the same way.

namespace velkaro::testing_support {

inline void ReferenceWalkSubDb(const THTMLParser& page, const std::string& siteBase, const TRecordSink& onRecord) {
  const auto count = static_cast<std::ptrdiff_t>(page.Count());
  for (std::ptrdiff_t p = 0; p < count; ++p) {
    const auto* title = page.Item(p).AsText();
    if (!title || LowerAscii(Trim(title->Text)) != "title:") continue;
    TSubtitleInfo record;
    record.FilmName = Trim(page.TextOrName(p + 2));
    for (std::ptrdiff_t k = p; k < count; ++k) {
      const auto* text = page.Item(k).AsText();
      if (!text) continue;
      const std::string_view t = text->Text;
      if (Contains(t, "Language:")) {
        record.Language = SubDbFieldValue(page.TextOrName(k + 2));
        if (!record.Language.empty()) record.Language[0] = UpperAscii(record.Language[0]);
      } else if (Contains(t, "CDS:")) {
        record.CdCount = SubDbFieldValue(page.TextOrName(k + 2));
      } else if (Contains(t, "Format:")) {
        record.Format = SubDbFieldValue(page.TextOrName(k + 2));
      } else if (Contains(t, "FPS:")) {
        record.Fps = SubDbFieldValue(page.TextOrName(k + 2));
      } else if (Contains(t, "Thanks to:")) {
        record.Uploader = SubDbFieldValue(page.TextOrName(k + 2));
        break;
      }
    }
    for (std::ptrdiff_t k = p; k < count; ++k) {
      const auto* a = page.Item(k).TagNamed("A");
      if (a && a->Params.size() >= 2 && a->Params[1].Name == "HREF" &&
          Contains(a->Params[1].Value, "modules.php?name=Download_Subtitles&download_file_id=")) {
        record.Url = siteBase + "subdb/html/" + std::string(a->Params[1].Value);
        break;
      }
    }
    for (std::ptrdiff_t k = p; k < count; ++k) {
      const auto* text = page.Item(k).AsText();
      if (text && Contains(text->Text, "Added on:")) {
        record.DateAdded = ConvertSubDbDate(Trim(page.TextOrName(k + 2)));
        break;
      }
    }
    onRecord(record);
  }
}

}  // namespace velkaro::testing_support
