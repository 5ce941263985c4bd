#include "app/batch_options.h"

#include <array>
#include <cctype>
#include <charconv>

#include <cstdlib>

#include "app/option_ranges.h"
#include "app/shell_quote.h"
#include "formats/output_formats.h"
#include "join/rounding.h"

namespace app {

const char* const kUsage =
    "usage: eveda-batch [OPTIONS] DIRECTORY\n"
    "Joins the BMP images of DIRECTORY (or the PNG and JPEG images -i lists) into one grid\n"
    "image.\n"
    "  -W, --block-width N     cell width over 0, a fraction allowed (100.5)\n"
    "                                                                   default: widest source\n"
    "  -H, --block-height N    cell height, at least 1                  default: tallest source\n"
    "  -s, --spacing N         gap between cells and the outer margin   default: 0\n"
    "  -w, --wrap N            cells per row (rows) or per column, at least 1\n"
    "                                                                   default: "
    "ceil(sqrt(count))\n"
    "  -a, --order O           rows | columns | columns-rtl (or 0 1 2)  default: rows\n"
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
    "                          (-i '*.png' -i '*.jpg'); BMP, PNG and JPEG are read\n"
    "                                                                   default: *.bmp\n"
    "  -b, --background C      RRGGBB hex, '#' optional                 default: 000000\n"
    "  -o, --output PATH       default: the first free plemoNNN.bmp in DIRECTORY\n"
    "                          a PATH ending in .png (any case) is written as a PNG\n"
    "  -z, --compression N     PNG level, 0 (none) to 9 (smallest)      default: 6\n"
    "  -q, --quiet             no progress (progress goes to stderr when it is a terminal)\n"
    "  -h, --help\n"
    "  -V, --version           print the version and exit\n"
    "Numbers other than the cell width are rounded to whole numbers, halves to even, and\n"
    "must stay within 2147483647.\n"
    "\n"
    "-o PATH ends in .bmp or .png (any case) or has no extension (BMP). A BMP file holds at\n"
    "most 2 GB; a PNG up to 2147483647 rows of up to 89478485 pixels, as the disk allows.\n"
    "An existing PATH must be a regular file: a directory, device, FIFO or socket is refused\n"
    "and left as it is. A symbolic link stays; the file it names is replaced. -o - writes the\n"
    "BMP to standard output (a pipe or a file, never a terminal) and prints WIDTHxHEIGHT on\n"
    "stderr.\n"
    "Without -o, every .bmp file in DIRECTORY is a source, an earlier plemoNNN.bmp included;\n"
    "with -o, the output file is never one of the sources.\n"
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

struct OptionSpec {
  char shortName;
  std::string_view longName;
  bool takesValue;
};

constexpr std::array<std::string_view, 3> kOrders = {"rows", "columns", "columns-rtl"};
constexpr std::array<std::string_view, 5> kFits = {"top-left", "center", "stretch", "contain",
                                                   "cover"};
constexpr std::array<std::string_view, 4> kFilters = {"window", "nearest", "linear", "lanczos3"};

// Options with no short form have codes no argument can spell after one dash.
constexpr char kResample = '\x01', kNoRotate = '\x02', kNoProfile = '\x03';

constexpr std::array<OptionSpec, 16> kOptions = {{
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
    if (arg.size() >= 2 && arg[0] == '-' && arg[1] == spec.shortName) {
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
      if (!order) return name + " takes rows, columns or columns-rtl";
      options.order = join::ArrangeOrderFromListIndex(*order);
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
      if (value != "-" && !formats::OutputFormatOf(value)) {
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
    case 'q':
      options.quiet = true;
      return std::nullopt;
    case 'V':
      options.version = true;
      return std::nullopt;
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

}  // namespace

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
      if (haveDirectory) return eveda::Unexpected{"more than one DIRECTORY: " + Echoed(arg)};
      options.directory = std::string(arg);
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
  if (!options.help && !options.version && !haveDirectory)
    return eveda::Unexpected{std::string("no DIRECTORY given")};
  // The window's stretch scales whole sources only; a cover fit crops what it scales.
  if (options.fit == join::FitMode::Cover && options.resample == BatchOptions::Resample::Window)
    return eveda::Unexpected{
        std::string("--fit cover takes --resample nearest, linear or lanczos3")};
  return options;
}

}  // namespace app
