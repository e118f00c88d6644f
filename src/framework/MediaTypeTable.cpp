#include "MediaTypeTable.h"

namespace Quarn {
namespace {

struct ExtensionRow {
  const char* extension;
  const char* mediaType;
};

// ".dat" is "video/x-mpeg" where the other MPEG video extensions are
// "video/mpeg"; players key on these exact texts, case included.
constexpr ExtensionRow kRows[] = {
    {".kavro", "video/kavro"},
    {".kav", "video/kavro"},
    {".xvid", "video/x-xvid"},
    {".avi", "video/vnd.avi"},
    {".mkv", "video/x-matroska"},
    {".mkx", "video/x-matroska"},
    {".mka", "video/x-matroska"},
    {".mov", "video/quicktime"},
    {".qt", "video/quicktime"},
    {".mp4", "video/mp4"},
    {".m4v", "video/mp4"},
    {".m1v", "video/mpeg"},
    {".m2v", "video/mpeg"},
    {".m4a", "audio/mp4"},
    {".m2ts", "video/MP2T"},
    {".mts", "video/MP2T"},
    {".ts", "video/MP2T"},
    {".tix", "application/vod"},
    {".mpeg", "video/mpeg"},
    {".mpg", "video/mpeg"},
    {".mpe", "video/mpeg"},
    {".mp2", "audio/mpeg"},
    {".mp3", "audio/mpeg"},
    {".vob", "video/x-dvd"},
    {".ifo", "video/x-dvd"},
    {".dat", "video/x-mpeg"},
    {".dv", "video/x-dv"},
    {".asf", "video/x-ms-asf"},
    {".wmv", "video/x-ms-wmv"},
    {".rm", "application/vnd.rn-realmedia"},
    {".rmvb", "application/vnd.rn-realmedia-vbr"},
    {".ass", "text/x-ass"},
    {".ssa", "text/x-ssa"},
    {".srt", "text/x-srt"},
    {".sub", "text/x-sub"},
    {".smi", "text/x-smi"},
    {".sami", "text/x-sami"},
    {".txt", "text/plain"},
    {".xml", "text/xml"},
    {".smil", "application/smil+xml"},
    {".mpd", "application/dash+xml"},
};

ExtensionTable build() {
  ExtensionTable table;
  for (const ExtensionRow& row : kRows)
    table.emplace(String<unsigned char>(row.extension), String<unsigned char>(row.mediaType));
  return table;
}

// Built during static initialisation, before getPlugin can be called.
const ExtensionTable kTable = build();

}  // namespace

const ExtensionTable& extensionMediaTypes() {
  return kTable;
}

}  // namespace Quarn
