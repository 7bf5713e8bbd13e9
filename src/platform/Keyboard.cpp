#include "Keyboard.h"
#include "X11.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {
constexpr xcb_keysym_t spaceKeysym = 0x20;

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, FreeReply>;
} // namespace

bool Keyboard::isSpaceDown() {
    xcb_connection_t* connection = qtX11Connection();
    if (!connection)
        return false;
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const auto mappingCookie = xcb_get_keyboard_mapping(connection, setup->min_keycode, uint8_t(count));
    const auto keymapCookie = xcb_query_keymap(connection);
    const ReplyPtr<xcb_get_keyboard_mapping_reply_t> mapping(
        xcb_get_keyboard_mapping_reply(connection, mappingCookie, nullptr));
    const ReplyPtr<xcb_query_keymap_reply_t> keymap(
        xcb_query_keymap_reply(connection, keymapCookie, nullptr));
    if (!mapping || !keymap || mapping->keysyms_per_keycode == 0)
        return false;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKeycode = mapping->keysyms_per_keycode;
    for (int i = 0; i < count; ++i) {
        if (keysyms[i * perKeycode] != spaceKeysym)
            continue;
        const int keycode = setup->min_keycode + i;
        if (keymap->keys[keycode / 8] & (1 << (keycode % 8)))
            return true;
    }
    return false;
}
