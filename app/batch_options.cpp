#include "app/batch_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include <cstdlib>

#include "app/option_ranges.h"
#include "app/shell_quote.h"
#include "formats/output_formats.h"
#include "gtfile/name_text.h"
#include "join/rounding.h"
#include "pyramid/deep_zoom.h"
#include "text/caption_font.h"

namespace app {

const char* const kUsage =
    "usage: eveda-batch [OPTIONS] PATH...\n"
    "Joins the BMP images of each directory PATH (or the images -i lists, in the\n"
    "formats below) and each file PATH, in that order, into one grid image.\n"
    "  -W, --block-width N     cell width over 0, a fraction allowed (100.5)\n"
    "                                                                   default: widest source\n"
    "  -H, --block-height N    cell height, at least 1                  default: tallest source\n"
    "  -s, --spacing N         gap between cells and the outer margin   default: 0\n"
    "  -w, --wrap N            cells per row (rows) or per column, at least 1\n"
    "                                                                   default: "
    "ceil(sqrt(count))\n"
    "  -a, --order O           rows | columns | columns-rtl | rows-rtl (or 0 1 2 3)\n"
    "                          rows-rtl: rows filled from the top right   default: rows\n"
    "  -f, --fit F             top-left | center | stretch | contain | cover (or 0 to 4)\n"
    "                          contain: scaled to fit the cell, aspect ratio kept, centred\n"
    "                          cover: scaled to fill the cell, centred, the overflow cut off\n"
    "                                                                   default: top-left\n"
    "  --resample FILTER       window | nearest | linear | lanczos3: how contain, cover and\n"
    "                          stretch scale (window: as the window's stretch does)\n"
    "                          default: lanczos3 for contain and cover, window for stretch\n"
    "  --no-rotate             draw pictures as stored, not turned as their EXIF says\n"
    "  --no-profile            keep stored colours, not converted to sRGB by their profile\n"
    "  -i, --include PATTERN   the files to join, by wildcard, case-insensitive; repeatable\n"
    "                          (-i '*.png' -i '*.jpg'); any format below is read\n"
    "                                                                   default: *.bmp\n"
    "  -b, --background C      RRGGBB hex, '#' optional                 default: 000000\n"
    "  -o, --output PATH       default: the first free plemoNNN.bmp in DIRECTORY\n"
    "                          its extension (any case) names the format, as below\n"
    "  -O, --format F          bmp | png | jpeg | tiff | webp, for a PATH without extension\n"
    "                          or -o -                                  default: bmp\n"
    "  -z, --compression N     PNG level, 0 (none) to 9 (smallest)      default: 6\n"
    "  -Q, --quality N         JPEG, WebP, JPEG-in-TIFF and .dzi JPEG tiles, 1 to 100\n"
    "                                                                   default: 90\n"
    "      --subsample S       JPEG chroma: 420 | 444 (halved or whole both ways)\n"
    "                                          default: 420 below quality 90, 444 from 90\n"
    "      --tiff-compression C  none | lzw | deflate | jpeg            default: deflate\n"
    "      --lossless          WebP without loss (-Q: how hard it shrinks)\n"
    "  -l, --label FORMAT      a caption under each cell: %f file name, %F path, %b name\n"
    "                          without extension, %e extension, %n cell number, %N count,\n"
    "                          %w %h the source's size, %% a percent sign\n"
    "      --label-size PX     caption size, 1 to 1024; each cell grows by ceil(1.4 x PX)\n"
    "                          rows below its -H picture area           default: 12\n"
    "                          (in cells narrower than 96: width / 8, at least 6)\n"
    "      --label-color C     RRGGBB hex, as -b                        default: white or black,\n"
    "                                                                   to contrast with -b\n"
    "      --font NAME         a fontconfig pattern or a font file      default: IPAPGothic\n"
    "  --files-from FILE       join the paths FILE lists too, one a line ('-': standard\n"
    "                          input); relative ones against FILE's directory\n"
    "  -0, --null              the list's paths end in NUL bytes (find -print0)\n"
    "  -r, --recursive         a directory's subdirectories too, depth first\n"
    "  --sort K                name | natural | mtime | size | none, within each directory\n"
    "                          natural: img2 before img10               default: name\n"
    "  --reverse               the order of each directory reversed\n"
    "  --dry-run               print the layout and the unreadable sources; write nothing\n"
    "  --map FILE              write a .json or .csv FILE: each cell's source and rectangle\n"
    "  --tile-size N           of a .dzi's tiles, 1 to 8192 pixels      default: 254\n"
    "  --overlap N             pixels a tile repeats of each neighbour, 0 to the tile size\n"
    "                                                                   default: 1\n"
    "  --tile-format F         jpeg | png                               default: jpeg\n"
    "  --viewer                with a .dzi, also NAME.html: the pyramid in OpenSeadragon\n"
    "  -q, --quiet             no progress (progress goes to stderr when it is a terminal)\n"
    "  -h, --help\n"
    "  -V, --version           print the version and exit\n"
    "Numbers other than the cell width are rounded to whole numbers, halves to even, and\n"
    "must stay within 2147483647.\n"
    "\n"
    "Formats (read by content, whatever the name; written by -o's extension or -O):\n"
    "  format  in   out  extensions        written\n"
    "  BMP     yes  yes  .bmp or none      24-bit; at most 2 GB\n"
    "  PNG     yes  yes  .png              8-bit RGB; up to 2147483647 rows of 89478485 px\n"
    "  JPEG    yes  yes  .jpg .jpeg        baseline; at most 65535 pixels a side\n"
    "  TIFF    yes  yes  .tif .tiff        RGB strips; BigTIFF when it could pass 4 GB\n"
    "  WebP    yes  yes  .webp             at most 16383 pixels a side; the whole picture\n"
    "                                      is held in memory to encode: about 6 bytes a\n"
    "                                      pixel lossy, 9 lossless\n"
    "  GIF     yes  no   .gif              the first frame\n"
    "  HEIF    yes  no   .heic .heif .avif with the codecs libheif's plugins provide\n"
    "Another -o extension, or -O naming a format other than -o's extension, is a usage error.\n"
    "\n"
    "An existing PATH must be a regular file: a directory, device, FIFO or socket is refused\n"
    "and left as it is. A symbolic link stays; the file it names is replaced. -o - writes the\n"
    "image to standard output (a pipe or a file, never a terminal) and prints WIDTHxHEIGHT on\n"
    "stderr: PNG, JPEG and WebP as they are made, BMP and TIFF (which need to seek) once whole\n"
    "from a file in the temporary folder.\n"
    "-o NAME.dzi writes a Deep Zoom pyramid: the descriptor NAME.dzi and the tiles\n"
    "NAME_files/LEVEL/COLUMN_ROW.jpeg (or .png), every level from the full size down to\n"
    "1x1, each the 2x2 average of the one above, rounded to nearest. It is drawn in about\n"
    "64 MiB whatever its size, JPEG tiles being encoded as their rows arrive; PNG tiles add\n"
    "2 x (tile size + 2 x overlap) x width x 3 bytes, the rows they are cut from. An\n"
    "earlier pyramid of that name is replaced once the new one is whole; a NAME_files that\n"
    "is not one is refused. --viewer copies OpenSeadragon beside NAME.html, which then opens\n"
    "offline.\n"
    "Without -o, every .bmp file in DIRECTORY is a source, an earlier plemoNNN.bmp included;\n"
    "with -o, the output file is never one of the sources.\n"
    "\n"
    "A directory PATH gives its files that match -i, in the --sort order; a file PATH, or\n"
    "one --files-from lists, is taken as it is, in the order given, whatever its name. With\n"
    "one directory and nothing else, the default output is written in it; otherwise -o is\n"
    "needed. Hidden entries and links back up the tree are skipped. --map is written only\n"
    "with the output; its paths are UTF-8: a byte that is not UTF-8 is written \\xHH, and\n"
    "\\ as \\\\.\n"
    "\n"
    "Exit status: 0 written; 3 written, but some sources could not be read; 1 nothing\n"
    "written, or written but the result line could not be printed; 2 usage error.\n";

namespace {

using Parsed = eveda::Result<BatchOptions, std::string>;

// A typed argument repeated in an error, in quotes, and never raw when it holds control bytes.
std::string Echoed(std::string_view arg) {
  if (NeedsShellQuoting(arg)) return ShellQuoted(arg);
  std::string quoted(1, '\'');
  quoted.append(arg).push_back('\'');
  return quoted;
}

bool AllDigits(std::string_view text, bool hex) {
  if (text.empty()) return false;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (!(hex ? std::isxdigit(u) : std::isdigit(u))) return false;
  }
  return true;
}

std::optional<int> ChoiceOf(std::string_view value, std::span<const std::string_view> names) {
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    if (value == names[i] || (value.size() == 1 && value[0] == '0' + i)) return i;
  }
  return std::nullopt;
}

std::optional<gdi::COLORREF> ColourOf(std::string_view value) {
  if (!value.empty() && value.front() == '#') value.remove_prefix(1);
  if (value.size() != 6 || !AllDigits(value, true)) return std::nullopt;
  unsigned rgb = 0;
  std::from_chars(value.data(), value.data() + value.size(), rgb, 16);
  // Typed as RRGGBB; held as 0x00BBGGRR.
  return gdi::RGB(static_cast<gdi::BYTE>(rgb >> 16), static_cast<gdi::BYTE>(rgb >> 8),
                  static_cast<gdi::BYTE>(rgb));
}

// A whole number from `low` to `high` typed in plain digits.
template <typename T>
bool SmallNumber(std::string_view value, int low, int high, std::optional<T>& field) {
  if (!AllDigits(value, false) || value.size() > 5) return false;
  int number = 0;
  std::from_chars(value.data(), value.data() + value.size(), number);
  if (number < low || number > high) return false;
  field = static_cast<T>(number);
  return true;
}

// What only a pyramid uses needs -o NAME.dzi; the overlap stays within a tile.
std::optional<std::string> PyramidProblem(const BatchOptions& options) {
  const bool pyramid = options.output && pyramid::IsDeepZoomPath(*options.output);
  if (!pyramid && (options.tileSize || options.overlap || options.tileFormat || options.viewer))
    return "--tile-size, --overlap, --tile-format and --viewer need -o NAME.dzi";
  if (options.overlap.value_or(1) > options.tileSize.value_or(254))
    return "--overlap must be at most the tile size";
  return std::nullopt;
}

struct OptionSpec {
  char shortName;
  std::string_view longName;
  bool takesValue;
};

constexpr std::array<std::string_view, 4> kOrders = {"rows", "columns", "columns-rtl", "rows-rtl"};
constexpr std::array<std::string_view, 5> kFits = {"top-left", "center", "stretch", "contain",
                                                   "cover"};
constexpr std::array<std::string_view, 4> kFilters = {"window", "nearest", "linear", "lanczos3"};

constexpr std::array<std::string_view, 2> kTileFormats = {"jpeg", "png"};

// Options with no short form have a shortName below ' ', never matched as one.
constexpr char kFilesFrom = 1, kSort = 2, kReverse = 3, kDryRun = 4, kMap = 5, kLabelSize = 6,
               kLabelColour = 7, kFont = 8, kSubsample = 9, kTiffCompression = 10, kLossless = 11,
               kTileSize = 12, kOverlap = 13, kTileFormat = 14, kViewer = 15, kResample = 16,
               kNoRotate = 17, kNoProfile = 18;

constexpr std::array<OptionSpec, 36> kOptions = {{
    {kFilesFrom, "files-from", true},
    {'0', "null", false},
    {'r', "recursive", false},
    {kSort, "sort", true},
    {kReverse, "reverse", false},
    {kDryRun, "dry-run", false},
    {kMap, "map", true},
    {'W', "block-width", true},
    {'H', "block-height", true},
    {'s', "spacing", true},
    {'w', "wrap", true},
    {'a', "order", true},
    {'f', "fit", true},
    {'b', "background", true},
    {'o', "output", true},
    {'i', "include", true},
    {'z', "compression", true},
    {'Q', "quality", true},
    {kSubsample, "subsample", true},
    {kTiffCompression, "tiff-compression", true},
    {kLossless, "lossless", false},
    {'O', "format", true},
    {'l', "label", true},
    {kLabelSize, "label-size", true},
    {kLabelColour, "label-color", true},
    {kFont, "font", true},
    {kTileSize, "tile-size", true},
    {kOverlap, "overlap", true},
    {kTileFormat, "tile-format", true},
    {kViewer, "viewer", false},
    {'q', "quiet", false},
    {'h', "help", false},
    {'V', "version", false},
    {kResample, "resample", true},
    {kNoRotate, "no-rotate", false},
    {kNoProfile, "no-profile", false},
}};

const OptionSpec* FindOption(std::string_view arg, std::string_view& attached, bool& hasAttached) {
  hasAttached = false;
  for (const OptionSpec& spec : kOptions) {
    if (arg.size() >= 2 && arg[0] == '-' && arg[1] == spec.shortName && spec.shortName > ' ') {
      if (arg.size() > 2) {
        attached = arg.substr(2);
        hasAttached = true;
      }
      return &spec;
    }
    if (arg.starts_with("--") && arg.substr(2).starts_with(spec.longName)) {
      const std::string_view rest = arg.substr(2 + spec.longName.size());
      if (rest.empty()) return &spec;
      if (rest.front() == '=') {
        attached = rest.substr(1);
        hasAttached = true;
        return &spec;
      }
    }
  }
  return nullptr;
}

// Stores one option's value; the error names the option.
std::optional<std::string> Apply(const OptionSpec& spec, std::string_view value,
                                 BatchOptions& options) {
  const std::string name = "--" + std::string(spec.longName);
  // Read as a C program reads a decimal number, whatever the locale; then checked as the
  // window checks its boxes: the cell width keeps its fraction, the rest are rounded.
  double read = 0;
  const auto number = [&]() -> std::optional<std::string> {
    if (!IsStrictNumber(value)) return name + " needs a number, not " + Echoed(value);
    read = std::strtod(std::string(value).c_str(), nullptr);
    return OutOfRange(spec.shortName, spec.longName, value, read);
  };
  const auto whole = [&](std::optional<std::int32_t>& field) -> std::optional<std::string> {
    if (auto refusal = number()) return refusal;
    field = join::RoundToInt32(read);
    return std::nullopt;
  };
  switch (spec.shortName) {
    case 'W':
      if (auto refusal = number()) return refusal;
      options.blockWidth = read;
      return std::nullopt;
    case 'H':
      return whole(options.blockHeight);
    case 's':
      return whole(options.spacing);
    case 'w':
      return whole(options.wrap);
    case 'a': {
      const auto order = ChoiceOf(value, kOrders);
      if (!order) return name + " takes rows, columns, columns-rtl or rows-rtl";
      // The window's list has three entries; the fourth order is ours alone.
      options.order = *order == 3 ? join::ArrangeOrder::RowsFromTopRight
                                  : join::ArrangeOrderFromListIndex(*order);
      return std::nullopt;
    }
    case 'f': {
      const auto fit = ChoiceOf(value, kFits);
      if (!fit) return name + " takes top-left, center, stretch, contain or cover";
      options.fit = static_cast<join::FitMode>(*fit);  // in the order of the fit list
      return std::nullopt;
    }
    case 'b':
      options.background = ColourOf(value);
      if (!options.background) return name + " takes a colour as RRGGBB";
      return std::nullopt;
    case 'o':
      if (value.empty()) return name + " needs a path";
      if (value != "-" && !formats::OutputFormatOf(value) && !pyramid::IsDeepZoomPath(value)) {
        return name + ": eveda-batch does not write " + Echoed(formats::ExtensionOf(value)) +
               " files; give a name ending in " + formats::KnownExtensions() + ", or none";
      }
      options.output = std::string(value);
      return std::nullopt;
    case 'i':
      if (value.empty()) return name + " needs a pattern";
      options.include.emplace_back(value);
      return std::nullopt;
    case 'z':
      if (value.size() != 1 || value[0] < '0' || value[0] > '9')
        return name + " takes a level from 0 to 9, not " + Echoed(value);
      options.compression = value[0] - '0';
      return std::nullopt;
    case 'Q': {
      int quality = 0;
      const bool whole = value.size() <= 3 && AllDigits(value, false);
      if (whole) std::from_chars(value.data(), value.data() + value.size(), quality);
      if (!whole || quality < 1 || quality > 100)
        return name + " takes a whole number from 1 to 100, not " + Echoed(value);
      options.quality = quality;
      return std::nullopt;
    }
    case kSubsample:
      if (value != "420" && value != "444") return name + " takes 420 or 444";
      options.subsample =
          value == "420" ? formats::ChromaSampling::Halved : formats::ChromaSampling::Whole;
      return std::nullopt;
    case kTiffCompression:
      options.tiffCompression = formats::ParseTiffCompression(value);
      if (!options.tiffCompression) return name + " takes none, lzw, deflate or jpeg";
      return std::nullopt;
    case kLossless:
      options.lossless = true;
      return std::nullopt;
    case 'O':
      if (!formats::OutputFormatNamed(value))
        return name + " takes " + formats::KnownFormatWords() + ", not " + Echoed(value);
      options.format = std::string(value);
      return std::nullopt;
    case 'l':
      options.label = std::string(value);
      return std::nullopt;
    case kLabelSize: {
      const std::string rule = name + " takes a size from 1 to " +
                               std::to_string(text::kMaxCaptionSize) + " pixels, not " +
                               Echoed(value);
      if (!IsStrictNumber(value)) return rule;
      const auto size = join::RoundToInt32(std::strtod(std::string(value).c_str(), nullptr));
      if (!size || *size < 1 || *size > text::kMaxCaptionSize) return rule;
      options.labelSize = *size;
      return std::nullopt;
    }
    case kLabelColour:
      options.labelColour = ColourOf(value);
      if (!options.labelColour) return name + " takes a colour as RRGGBB";
      return std::nullopt;
    case kFont:
      if (value.empty()) return name + " needs a font name or file";
      options.font = std::string(value);
      return std::nullopt;
    case kTileSize:
      if (!SmallNumber(value, 1, pyramid::kMaxTileSize, options.tileSize))
        return name + " takes a size from 1 to 8192, not " + Echoed(value);
      return std::nullopt;
    case kOverlap:
      if (!SmallNumber(value, 0, pyramid::kMaxTileSize, options.overlap))
        return name + " takes a number of pixels from 0 to the tile size, not " + Echoed(value);
      return std::nullopt;
    case kTileFormat: {
      const auto format = ChoiceOf(value, kTileFormats);
      if (!format) return name + " takes jpeg or png";
      options.tileFormat = *format == 1 ? pyramid::TileFormat::Png : pyramid::TileFormat::Jpeg;
      return std::nullopt;
    }
    case kViewer:
      options.viewer = true;
      return std::nullopt;
    case 'q':
      options.quiet = true;
      return std::nullopt;
    case 'V':
      options.version = true;
      return std::nullopt;
    case kFilesFrom:
      if (value.empty()) return name + " needs a file";
      options.filesFrom = std::string(value);
      return std::nullopt;
    case '0':
      options.nullSeparated = true;
      return std::nullopt;
    case 'r':
      options.recursive = true;
      return std::nullopt;
    case kSort: {
      const auto* at =
          std::find(GTFile::kListOrderNames.begin(), GTFile::kListOrderNames.end(), value);
      if (at == GTFile::kListOrderNames.end())
        return name + " takes name, natural, mtime, size or none";
      options.sort = static_cast<GTFile::ListOrder>(at - GTFile::kListOrderNames.begin());
      return std::nullopt;
    }
    case kReverse:
      options.reverse = true;
      return std::nullopt;
    case kDryRun:
      options.dryRun = true;
      return std::nullopt;
    case kMap: {
      const std::string extension = GTFile::LowerCaseName(std::string(formats::ExtensionOf(value)));
      if (extension != ".json" && extension != ".csv")
        return name + " takes a file ending in .json or .csv, not " + Echoed(value);
      options.map = std::string(value);
      return std::nullopt;
    }
    case kResample: {
      const auto filter = ChoiceOf(value, kFilters);
      if (!filter) return name + " takes window, nearest, linear or lanczos3";
      options.resample = static_cast<BatchOptions::Resample>(*filter);
      return std::nullopt;
    }
    case kNoRotate:
      options.rotate = false;
      return std::nullopt;
    case kNoProfile:
      options.profile = false;
      return std::nullopt;
    default:
      options.help = true;
      return std::nullopt;
  }
}

// -O names the format of a PATH that has no extension; one with another format's extension,
// or the default name (a .bmp), would be written in a format its name does not say.
std::optional<std::string> FormatConflict(const BatchOptions& options) {
  if (!options.format) return std::nullopt;
  const formats::OutputFormat named = *formats::OutputFormatNamed(*options.format);
  if (!options.output) {
    if (named == formats::BmpOutput()) return std::nullopt;
    return "--format " + *options.format + " needs -o PATH: the default output is a .bmp file";
  }
  const std::string_view extension = formats::ExtensionOf(*options.output);
  if (pyramid::IsDeepZoomPath(*options.output))
    return "--format " + *options.format + " and --output " + Echoed(*options.output) +
           " name two different formats";
  if (*options.output == "-" || extension.empty() ||
      *formats::OutputFormatOf(*options.output) == named)
    return std::nullopt;
  return "--format " + *options.format + " and --output " + Echoed(*options.output) +
         " name two different formats";
}

}  // namespace

pyramid::DeepZoomOptions DeepZoomOptionsOf(const BatchOptions& options) {
  pyramid::DeepZoomOptions deepZoom;
  deepZoom.tileSize = options.tileSize.value_or(deepZoom.tileSize);
  deepZoom.overlap = options.overlap.value_or(deepZoom.overlap);
  deepZoom.format = options.tileFormat.value_or(deepZoom.format);
  deepZoom.quality = options.quality.value_or(deepZoom.quality);
  deepZoom.pngLevel = options.compression.value_or(deepZoom.pngLevel);
  return deepZoom;
}

bool IsStrictNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (!AllDigits(text.substr(i), false)) return false;
    return true;
  }
  return i == text.size();
}

Parsed ParseBatchOptions(std::span<const std::string_view> args) {
  BatchOptions options;
  bool haveDirectory = false;
  bool optionsEnded = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string_view arg = args[k];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      if (!haveDirectory) options.directory = std::string(arg);
      options.paths.emplace_back(arg);
      haveDirectory = true;
      continue;
    }
    std::string_view value;
    bool hasValue = false;
    const OptionSpec* spec = FindOption(arg, value, hasValue);
    if (spec == nullptr) return eveda::Unexpected{"unknown option " + Echoed(arg)};
    if (spec->takesValue && !hasValue) {
      if (k + 1 == args.size())
        return eveda::Unexpected{"--" + std::string(spec->longName) + " needs a value"};
      value = args[++k];
    } else if (!spec->takesValue && hasValue) {
      return eveda::Unexpected{"--" + std::string(spec->longName) + " takes no value"};
    }
    if (auto error = Apply(*spec, value, options)) return eveda::Unexpected{*error};
  }
  if (options.help || options.version) return options;
  if (!haveDirectory && !options.filesFrom) return eveda::Unexpected{std::string("no PATH given")};
  // One directory has a folder to propose the output's name in; anything else has none.
  if ((options.paths.size() > 1 || options.filesFrom) && !options.output && !options.dryRun)
    return eveda::Unexpected{std::string("-o is needed with more than one PATH or --files-from")};
  if (auto conflict = FormatConflict(options)) return eveda::Unexpected{*conflict};
  if (auto problem = PyramidProblem(options)) return eveda::Unexpected{*problem};
  // The window's stretch scales whole sources only; a cover fit crops what it scales.
  if (options.fit == join::FitMode::Cover && options.resample == BatchOptions::Resample::Window)
    return eveda::Unexpected{
        std::string("--fit cover takes --resample nearest, linear or lanczos3")};
  return options;
}

// What the messages call a pyramid; it has no encoder of its own: the join writes its tiles.
constexpr formats::OutputFormat kDeepZoomOutput = {".dzi", "Deep Zoom", "dzi", false,
                                                   0,      false,       false, nullptr};

bool ToPyramid(const BatchOptions& options) {
  return options.output && pyramid::IsDeepZoomPath(*options.output);
}

formats::OutputFormat OutputFormatFor(const BatchOptions& options) {
  if (ToPyramid(options)) return kDeepZoomOutput;
  if (options.format) return *formats::OutputFormatNamed(*options.format);
  if (options.output && *options.output != "-") return *formats::OutputFormatOf(*options.output);
  return formats::BmpOutput();
}

}  // namespace app
