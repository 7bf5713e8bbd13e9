#pragma once

// The keyboard as the display server sees it now, apart from any event queue.
namespace Keyboard {
// Whether a Space key is down at this moment; false where the server cannot be asked.
bool isSpaceDown();
} // namespace Keyboard
