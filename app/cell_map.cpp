#include "app/cell_map.h"

#include <unicode/utf8.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/batch_texts.h"
#include "dsmod/output_file.h"
#include "gtfile/name_text.h"

namespace app {
namespace {

// What a JSON string may not hold raw: the quote, the backslash and control characters.
std::string JsonString(std::string_view text) {
  std::string quoted(1, '"');
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted.push_back('\\');
      quoted.push_back(c);
    } else if (u < 0x20 || u == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", u);
      quoted.append(escape);
    } else {
      quoted.push_back(c);
    }
  }
  quoted.push_back('"');
  return quoted;
}

std::string CsvField(std::string_view text) {
  std::string quoted(1, '"');
  for (const char c : text) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

struct Cell {
  std::int32_t index;
  join::GridCell place;
  const std::string* path;
  join::DrawnRect rect;
  std::string result;  // "drawn" or the reason
};

std::string Number(std::int32_t value, bool known, const char* none) {
  return known ? std::to_string(value) : std::string(none);
}

void AppendJson(const Cell& cell, std::string& text) {
  const bool known = cell.rect.width > 0 && cell.rect.height > 0;
  text.append("{\"index\":").append(std::to_string(cell.index));
  text.append(",\"row\":").append(std::to_string(cell.place.row));
  text.append(",\"column\":").append(std::to_string(cell.place.column));
  text.append(",\"path\":").append(JsonString(MapPathText(*cell.path)));
  text.append(",\"x\":").append(Number(cell.rect.x, known, "null"));
  text.append(",\"y\":").append(Number(cell.rect.y, known, "null"));
  text.append(",\"width\":").append(Number(cell.rect.width, known, "null"));
  text.append(",\"height\":").append(Number(cell.rect.height, known, "null"));
  text.append(",\"result\":").append(JsonString(cell.result)).append("}");
}

void AppendCsv(const Cell& cell, std::string& text) {
  const bool known = cell.rect.width > 0 && cell.rect.height > 0;
  text.append(std::to_string(cell.index)).append(",");
  text.append(std::to_string(cell.place.row)).append(",");
  text.append(std::to_string(cell.place.column)).append(",");
  text.append(CsvField(MapPathText(*cell.path))).append(",");
  for (const std::int32_t value : {cell.rect.x, cell.rect.y, cell.rect.width, cell.rect.height})
    text.append(Number(value, known, "")).append(",");
  text.append(CsvField(cell.result)).append("\r\n");
}

}  // namespace

std::string MapPathText(std::string_view path) {
  std::string text;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(path.data());
  const auto length = static_cast<std::int32_t>(path.size());
  for (std::int32_t i = 0; i < length;) {
    const std::int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(bytes, i, length, c);
    if (c == '\\') {
      text.append("\\\\");
    } else if (c >= 0) {
      text.append(path.substr(start, i - start));
    } else {
      for (std::int32_t k = start; k < i; ++k) {
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", bytes[k]);
        text.append(escape);
      }
    }
  }
  return text;
}

std::string CellMapText(const std::string& path, const join::JoinRequest& request,
                        const join::JoinReport& report) {
  const bool json = GTFile::LowerCaseName(path).ends_with(".json");
  std::string text;
  if (json) {
    text.append("{\"width\":").append(std::to_string(report.grid.Width));
    text.append(",\"height\":").append(std::to_string(report.grid.Height));
    text.append(",\"cells\":[");
  } else {
    text.append("index,row,column,path,x,y,width,height,result\r\n");
  }
  auto refusal = report.notDrawn.begin();
  for (std::size_t k = 0; k < request.sources.size(); ++k) {
    const auto index = static_cast<std::int32_t>(k);
    Cell cell{index, join::GridCellOf(request.layout, report.grid, index + 1), &request.sources[k],
              k < report.drawn.size() ? report.drawn[k] : join::DrawnRect{}, "drawn"};
    for (; refusal != report.notDrawn.end() && refusal->index == index; ++refusal)
      cell.result = ReasonText(refusal->error);
    if (json) {
      text.append(k == 0 ? "\n" : ",\n");
      AppendJson(cell, text);
    } else {
      AppendCsv(cell, text);
    }
  }
  if (json) text.append("\n]}\n");
  return text;
}

std::optional<std::string> WriteCellMap(const std::string& path, const std::string& text,
                                        DSMod::detail::FileSystem& fileSystem) {
  auto file = DSMod::detail::OutputFile::Create(path, fileSystem);
  if (!file) return file.error().reason;
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t wrote = ::write(file->fd(), text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) return std::string(std::strerror(errno));
    done += static_cast<std::size_t>(wrote);
  }
  const auto placed = file->PutInPlace(path, {});
  if (!placed) return placed.error().reason;
  return std::nullopt;
}

}  // namespace app
