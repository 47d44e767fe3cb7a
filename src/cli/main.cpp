// velkaro-cli: the search engine without a window.

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "CodePage.h"
#include "Dispatcher.h"
#include "ProxyFile.h"
#include "SearchThread.h"
#include "adapters/ExtraTitles.h"

namespace velkaro {
namespace {

constexpr int kExitClean = 0;
constexpr int kExitMarkers = 1;
constexpr int kExitUsage = 2;

void PrintUsage() {
  std::cerr << "usage: velkaro-cli search [--lang ITEM] [--max N] FILM\n";
}

// Inside a field, backslash, tab, CR and LF are escaped so every row is one line.
std::string EscapeField(std::string_view text) {
  std::string out;
  for (char c : Cp1254ToUtf8(text)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

void PrintRow(const TSubtitleInfo& record) {
  const std::string_view columns[] = {record.FilmName, record.Url,       record.Language, record.Fps,
                                      record.CdCount,  record.DateAdded, record.Uploader, record.Format};
  std::string line;
  for (std::size_t i = 0; i < std::size(columns); ++i) {
    if (i > 0) line += '\t';
    line += EscapeField(columns[i]);
  }
  std::cout << line << '\n' << std::flush;
}

std::string FinalStatus(const std::vector<std::string>& errors) {
  if (errors.empty()) return "Arama hatas\xFDz tamamland\xFD.";
  std::string text = "Aramada hatalar olu\xFEtu: ";
  for (std::size_t i = 0; i < errors.size(); ++i) text += (i > 0 ? " , " : "") + errors[i];
  return text;
}

struct TSearchArgs {
  std::string Film;
  std::string Language;
  std::string MaxText = "50";
};

int RunSearch(const TSearchArgs& args) {
  std::int32_t maxResults = 20;
  if (const auto parsed = ParseInt(args.MaxText)) {
    maxResults = *parsed;
  } else {
    std::cerr << Cp1254ToUtf8("Hatal\xFD [Extratitles.net] Maksimum Sonu\xE7 belirlediniz.") << '\n';
  }

  auto ui = std::make_shared<TQueueDispatcher>();
  TThreadManager registry;
  auto thread = TSearchThread::Create(ui);
  const TLaunchProxy proxy = ReadLaunchProxy(ExecutableDir() / kProxyFileName);
  thread->UseProxy = proxy.UseProxy;
  thread->ProxyHost = proxy.Host;
  if (const auto port = ParseInt(proxy.PortText)) {
    thread->ProxyPort = *port;
  } else {
    std::cerr << Cp1254ToUtf8("Hatal\xFD proxy portu.") << '\n';
  }
  thread->Registry = &registry;
  thread->SiteId = SiteId::ExtraTitles;
  thread->FilmName = args.Film;
  thread->QueryText = BuildExtraTitlesQuery(args.Film, ExtraTitlesLanguageCode(args.Language), maxResults);
  thread->OnRecord = [](TSubtitleInfo& record) { PrintRow(record); };
  bool finished = false;
  thread->OnTerminate = [&finished](TSearchThread&) { finished = true; };
  thread->Start();
  thread.reset();
  while (!finished) ui->WaitAndProcess(std::chrono::seconds(1));

  std::cerr << Cp1254ToUtf8(FinalStatus(registry.Errors)) << '\n';
  return registry.Errors.empty() ? kExitClean : kExitMarkers;
}

int Search(const std::vector<std::string_view>& args) {
  TSearchArgs search;
  bool haveFilm = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--lang" && hasValue) {
      search.Language = Utf8ToCp1254(args[++i]);
    } else if (arg == "--max" && hasValue) {
      search.MaxText = Utf8ToCp1254(args[++i]);
    } else if (!arg.starts_with("--") && !haveFilm) {
      search.Film = Utf8ToCp1254(arg);
      haveFilm = true;
    } else {
      PrintUsage();
      return kExitUsage;
    }
  }
  if (!haveFilm) {
    PrintUsage();
    return kExitUsage;
  }
  return RunSearch(search);
}

}  // namespace
}  // namespace velkaro

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (args.empty() || args[0] != "search") {
    velkaro::PrintUsage();
    return velkaro::kExitUsage;
  }
  return velkaro::Search({args.begin() + 1, args.end()});
}
