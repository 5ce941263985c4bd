#include "platform/qt/eveda_windows.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QString>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

namespace toolkit {
namespace {

template <class Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

template <class Reply>
ReplyPtr<Reply> Owned(Reply* reply) {
  return ReplyPtr<Reply>(reply, &std::free);
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  const auto reply = Owned(xcb_intern_atom_reply(
      connection,
      xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name),
      nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// WM_CLASS holds the instance and the class name, each ended by a zero byte; Qt takes both
// from the program's name.
bool IsEveda(xcb_connection_t* connection, xcb_window_t window) {
  const auto reply = Owned(xcb_get_property_reply(
      connection,
      xcb_get_property(connection, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr));
  if (!reply) return false;
  const std::string_view names(
      static_cast<const char*>(xcb_get_property_value(reply.get())),
      static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
  const std::string_view instance = names.substr(0, names.find('\0'));
  return QString::fromUtf8(instance.data(), static_cast<qsizetype>(instance.size()))
             .compare(QStringLiteral("eveda"), Qt::CaseInsensitive) == 0;
}

std::optional<QRect> ClientArea(xcb_connection_t* connection, xcb_window_t window,
                                xcb_window_t root) {
  const auto geometry =
      Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
  const auto origin = Owned(xcb_translate_coordinates_reply(
      connection, xcb_translate_coordinates(connection, window, root, 0, 0), nullptr));
  if (!geometry || !origin) return std::nullopt;
  return QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
}

}  // namespace

std::vector<QRect> OtherEvedaWindows(double scale) {
  std::vector<QRect> found;
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return found;
  xcb_connection_t* connection = x11->connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const xcb_atom_t clientList = Atom(connection, "_NET_CLIENT_LIST");
  if (clientList == XCB_ATOM_NONE) return found;
  const auto list = Owned(xcb_get_property_reply(
      connection,
      xcb_get_property(connection, 0, root, clientList, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096),
      nullptr));
  if (!list || list->format != 32) return found;
  const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(list.get()));
  const int count = xcb_get_property_value_length(list.get()) / 4;
  const double perPixel = scale > 0 ? scale : 1;
  for (int i = 0; i < count; ++i) {
    if (!IsEveda(connection, windows[i])) continue;
    if (const auto area = ClientArea(connection, windows[i], root)) {
      found.emplace_back(static_cast<int>(std::lround(area->x() / perPixel)),
                         static_cast<int>(std::lround(area->y() / perPixel)),
                         static_cast<int>(std::lround(area->width() / perPixel)),
                         static_cast<int>(std::lround(area->height() / perPixel)));
    }
  }
  return found;
}

}  // namespace toolkit
