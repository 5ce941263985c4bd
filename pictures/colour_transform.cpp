#include "pictures/colour_transform.h"

#include <lcms2.h>

namespace pictures {
namespace {

struct Layout {
  cmsUInt32Number inputType, outputType;
  cmsColorSpaceSignature space;
  const char* spaceName;
  int inputChannels, outputChannels;
};

Layout LayoutOf(ColourInput input) {
  switch (input) {
    case ColourInput::kBgr:
      return {TYPE_BGR_8, TYPE_BGR_8, cmsSigRgbData, "RGB", 3, 3};
    case ColourInput::kRgba:
      return {TYPE_RGBA_8, TYPE_BGRA_8, cmsSigRgbData, "RGB", 4, 4};
    case ColourInput::kBgra:
      return {TYPE_BGRA_8, TYPE_BGRA_8, cmsSigRgbData, "RGB", 4, 4};
    case ColourInput::kGrey:
      return {TYPE_GRAY_8, TYPE_BGR_8, cmsSigGrayData, "grey", 1, 3};
    case ColourInput::kCmyk:
      return {TYPE_CMYK_8, TYPE_BGR_8, cmsSigCmykData, "CMYK", 4, 3};
    case ColourInput::kCmykInverted:
      return {TYPE_CMYK_8_REV, TYPE_BGR_8, cmsSigCmykData, "CMYK", 4, 3};
    default:
      return {TYPE_RGB_8, TYPE_BGR_8, cmsSigRgbData, "RGB", 3, 3};
  }
}

std::string SpaceName(cmsColorSpaceSignature space) {
  if (space == cmsSigRgbData) return "RGB";
  if (space == cmsSigGrayData) return "grey";
  if (space == cmsSigCmykData) return "CMYK";
  std::string name;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((space >> shift) & 0xff);
    name += (c >= 0x20 && c < 0x7f) ? c : '?';
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return "'" + name + "'";
}

// Little CMS reports why it refused through its context's log; the message joins the reason.
void KeepMessage(cmsContext context, cmsUInt32Number, const char* text) {
  auto* message = static_cast<std::string*>(cmsGetContextUserData(context));
  if (message && message->empty()) *message = text;
}

std::string WithMessage(std::string reason, const std::string& message) {
  return message.empty() ? reason : reason + ": " + message;
}

struct ProfileClose {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using Profile = std::unique_ptr<void, ProfileClose>;

}  // namespace

// Heap-held so that the context's pointer to the message survives moves.
struct ColourTransform::State {
  std::string message;
  cmsContext context = nullptr;
  cmsHTRANSFORM transform = nullptr;
  ~State() {
    if (transform) cmsDeleteTransform(transform);
    if (context) cmsDeleteContext(context);
  }
};

eveda::Result<ColourTransform, std::string> ColourTransform::FromIcc(std::span<const uint8_t> bytes,
                                                                     ColourInput input) {
  auto state = std::make_unique<State>();
  state->context = cmsCreateContext(nullptr, &state->message);
  if (!state->context) return eveda::Unexpected(std::string("Little CMS has no memory"));
  cmsSetLogErrorHandlerTHR(state->context, &KeepMessage);
  const Layout layout = LayoutOf(input);
  Profile source(cmsOpenProfileFromMemTHR(state->context, bytes.data(),
                                          static_cast<cmsUInt32Number>(bytes.size())));
  if (!source) {
    return eveda::Unexpected(WithMessage("the colour profile cannot be read", state->message));
  }
  const cmsColorSpaceSignature space = cmsGetColorSpace(source.get());
  if (space != layout.space) {
    return eveda::Unexpected("the colour profile is for " + SpaceName(space) +
                             " pixels, the picture's are " + layout.spaceName);
  }
  Profile srgb(cmsCreate_sRGBProfileTHR(state->context));
  const cmsUInt32Number flags =
      cmsFLAGS_NOCACHE |
      (layout.inputChannels == 4 && layout.outputChannels == 4 ? cmsFLAGS_COPY_ALPHA : 0);
  state->transform =
      cmsCreateTransformTHR(state->context, source.get(), layout.inputType, srgb.get(),
                            layout.outputType, INTENT_RELATIVE_COLORIMETRIC, flags);
  if (!state->transform) {
    return eveda::Unexpected(
        WithMessage("the colour profile cannot be converted to sRGB", state->message));
  }
  ColourTransform transform(std::move(state));
  transform.input_ = input;
  return transform;
}

ColourTransform::ColourTransform(std::unique_ptr<State> state) : state_(std::move(state)) {}
ColourTransform::ColourTransform(ColourTransform&&) noexcept = default;
ColourTransform& ColourTransform::operator=(ColourTransform&&) noexcept = default;
ColourTransform::~ColourTransform() = default;

int ColourTransform::InputChannels() const { return LayoutOf(input_).inputChannels; }
int ColourTransform::OutputChannels() const { return LayoutOf(input_).outputChannels; }

void ColourTransform::ConvertRow(const uint8_t* in, uint8_t* out, int width) const {
  if (width > 0) cmsDoTransform(state_->transform, in, out, static_cast<cmsUInt32Number>(width));
}

}  // namespace pictures
