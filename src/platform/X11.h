#pragma once

#include <cstdint>

typedef struct xcb_connection_t xcb_connection_t;

// Qt's own X11 connection, or none (another platform, or no display).
xcb_connection_t* qtX11Connection();
// The atom of `name`; 0 when the server does not answer.
uint32_t internAtom(xcb_connection_t* connection, const char* name);
