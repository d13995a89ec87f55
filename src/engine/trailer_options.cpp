#include "engine/trailer_options.h"

#include <ctime>

#include "engine/bookmark_text.h"
#include "platform/clock.h"
#include "platform/environment.h"
#include "platform/text_encoding.h"
#include "settings/registry_settings.h"
#include "settings/text_routines.h"

namespace quiremark::engine {

namespace {
constexpr const char* kOptions = "Options";
constexpr const char* kTitleFileMarker = "<QuiremarkTitle.txt>";
constexpr const char* kTitleFile = "QuiremarkTitle.txt";
}  // namespace

CatalogChoices ReadCatalogChoices() {
  return {settings::GetRegSetting("cboShow", "1", kOptions), settings::GetRegSetting("cboLayout", "0", kOptions),
          settings::GetRegSetting("cboZoom", "1", kOptions)};
}

std::string DocumentTitle(const std::filesystem::path& drawingFolder, const std::filesystem::path& pdfPath,
                          platform::FolderListings* listings) {
  const std::string stored = settings::GetRegSetting("DocTitle", kTitleFileMarker, kOptions);
  if (!platform::EqualsIgnoringCase(stored, kTitleFileMarker)) return stored;
  const std::string fromFile = listings ? ReadBookmarkText(listings->Of(drawingFolder), kTitleFile)
                                        : ReadBookmarkText(drawingFolder / kTitleFile);
  if (!fromFile.empty()) return fromFile;
  // A folder path may end in "/" (as typed after /StartDir:); its name is still the last part.
  std::string folder = drawingFolder.string();
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return settings::GetLastPathPart(folder) + " " + pdfPath.filename().string();
}

DocInfo ReadDocInfo(const std::filesystem::path& drawingFolder, const std::filesystem::path& pdfPath,
                    platform::FolderListings* listings) {
  const platform::Clock& clock = platform::CurrentClock();
  const auto time = clock.Now();
  const std::time_t now = std::chrono::system_clock::to_time_t(time);
  std::tm local{};
  localtime_r(&now, &local);
  return {DocumentTitle(drawingFolder, pdfPath, listings),
          settings::GetRegSetting("DocAuthor", platform::UserName(), kOptions),
          // A subject or keywords left empty in the options is stored without data;
          // it must read back empty, not as the words DocSubject or DocKeywords.
          settings::GetRegSetting("DocSubject", "", kOptions), settings::GetRegSetting("DocKeywords", "", kOptions),
          PdfDate(local), clock.ShortDate(time) + " " + clock.LongTime(time)};
}

}  // namespace quiremark::engine
