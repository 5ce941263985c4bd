#include "pyramid/viewer_page.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "pyramid/deep_zoom.h"

namespace pyramid {
namespace {

namespace fs = std::filesystem;

// Where OpenSeadragon is: installed beside the program's share folder, or where the build
// unpacked it.
std::optional<fs::path> OpenSeadragonFolder() {
  std::error_code error;
  const fs::path program = fs::read_symlink("/proc/self/exe", error);
  if (!error) {
    const fs::path installed =
        program.parent_path().parent_path() / "share/eveda-batch/openseadragon";
    if (fs::exists(installed / "openseadragon.min.js", error)) return installed;
  }
#ifdef EVEDA_OPENSEADRAGON_BUILD_DIR
  const fs::path built = EVEDA_OPENSEADRAGON_BUILD_DIR;
  if (fs::exists(built / "openseadragon.min.js", error)) return built;
#endif
  return std::nullopt;
}

// A name as one segment of a relative URL.
std::string UrlSegment(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u) || c == '-' || c == '_' || c == '.' || c == '~') {
      url += c;
    } else {
      url += '%';
      url += kHex[u >> 4];
      url += kHex[u & 15];
    }
  }
  return url;
}

// A JavaScript string literal that cannot end the script element it stands in.
std::string ScriptString(std::string_view text) {
  std::string literal = "\"";
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\' || c == '<' || c == '>' || c == '&' || u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      literal += escaped;
    } else {
      literal += c;
    }
  }
  return literal + "\"";
}

// The value of `name="..."` in the descriptor's text.
std::string FieldOf(const std::string& text, const std::string& name) {
  const auto at = text.find(name + "=\"");
  if (at == std::string::npos) return {};
  const auto start = at + name.size() + 2;
  return text.substr(start, text.find('"', start) - start);
}

std::string HtmlText(std::string_view text) {
  std::string html;
  for (const char c : text) {
    if (c == '&')
      html += "&amp;";
    else if (c == '<')
      html += "&lt;";
    else if (c == '>')
      html += "&gt;";
    else
      html += c;
  }
  return html;
}

const char* const kPage = R"(<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>%TITLE%</title>
<style>html, body { margin: 0; height: 100%; background: #000; } #view { width: 100%; height: 100%; }</style>
<script src="openseadragon/openseadragon.min.js"></script>
<script src="%MAP%.js" onerror="void 0"></script>
</head>
<body>
<div id="view"></div>
<script>
var viewer = OpenSeadragon({
  id: "view",
  prefixUrl: "openseadragon/images/",
  showNavigator: true,
  tileSources: { Image: {
    xmlns: "http://schemas.microsoft.com/deepzoom/2008",
    Url: %TILES%, Format: %FORMAT%, Overlap: %OVERLAP%, TileSize: %TILESIZE%,
    Size: { Width: %WIDTH%, Height: %HEIGHT% } } }
});
// The cells' names, when a map of them is beside the page.
function useMap(map) {
  var cells = map && (map.cells || map);
  if (!cells || !cells.length) return;
  new OpenSeadragon.MouseTracker({ element: viewer.element, moveHandler: function (e) {
    var p = viewer.viewport.viewerElementToImageCoordinates(e.position);
    var name = "";
    for (var i = 0; i < cells.length; i++) {
      var c = cells[i];
      if (p.x >= c.x && p.y >= c.y && p.x < c.x + c.width && p.y < c.y + c.height) {
        name = c.name || c.path || c.file || "";
        break;
      }
    }
    viewer.element.title = name;
  } });
}
if (window.evedaMap) useMap(window.evedaMap);
else if (location.protocol !== "file:")
  fetch(%MAPJSON%).then(function (r) { return r.ok ? r.json() : null; }).then(useMap, function () {});
</script>
</body>
</html>
)";

void Substitute(std::string& text, std::string_view key, const std::string& value) {
  for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
}

std::string ReasonOf(const std::error_code& error) { return error.message(); }

// `text` as the file `path`, whole or not at all.
eveda::Result<void, std::string> WriteWhole(const fs::path& path, const std::string& text) {
  const fs::path temporary = path.parent_path() / ("." + path.filename().string() + ".new");
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) return eveda::Unexpected{path.string() + ": " + std::strerror(errno)};
  }
  std::error_code error;
  fs::rename(temporary, path, error);
  if (error) {
    fs::remove(temporary);
    return eveda::Unexpected{path.string() + ": " + ReasonOf(error)};
  }
  return {};
}

}  // namespace

eveda::Result<void, std::string> WriteViewerPage(const std::string& descriptor,
                                                 const std::string& cellsJson) {
  const auto library = OpenSeadragonFolder();
  if (!library) return eveda::Unexpected{std::string("OpenSeadragon is not installed")};
  std::ifstream in(descriptor);
  std::stringstream read;
  read << in.rdbuf();
  const std::string text = read.str();
  const fs::path path(descriptor);
  const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
  const std::string stem = path.stem().string();
  const std::string tiles = fs::path(TilesFolderOf(path.filename().string())).string();
  std::string page = kPage;
  Substitute(page, "%TITLE%", HtmlText(stem));
  Substitute(page, "%MAP%", UrlSegment(stem + ".map"));
  Substitute(page, "%MAPJSON%", ScriptString(UrlSegment(stem + ".map.json")));
  Substitute(page, "%TILES%", ScriptString(UrlSegment(tiles) + "/"));
  for (const auto& [key, field] : {std::pair{"%FORMAT%", "Format"},
                                   {"%OVERLAP%", "Overlap"},
                                   {"%TILESIZE%", "TileSize"},
                                   {"%WIDTH%", "Width"},
                                   {"%HEIGHT%", "Height"}})
    Substitute(page, key, ScriptString(FieldOf(text, field)));
  std::error_code error;
  const fs::path copy = folder / "openseadragon";
  fs::create_directories(copy / "images", error);
  if (error) return eveda::Unexpected{copy.string() + ": " + ReasonOf(error)};
  fs::copy(*library, copy, fs::copy_options::recursive | fs::copy_options::overwrite_existing,
           error);
  if (error) return eveda::Unexpected{copy.string() + ": " + ReasonOf(error)};
  // A script, not the JSON itself: a page opened from a file: URL may not fetch a file.
  if (!cellsJson.empty()) {
    EVEDA_TRY(cells,
              WriteWhole(folder / (stem + ".map.js"), "window.evedaMap = " + cellsJson + ";\n"));
  }
  return WriteWhole(folder / (stem + ".html"), page);
}

}  // namespace pyramid
