#pragma once

namespace Memory {
// Returns the heap's free pages to the system. After a rest several
// full-screen frames have been freed, and the allocator would otherwise keep
// them for a program that will not need them for twenty minutes. Pages of
// font files the large glyphs touched go too.
void giveBack();
} // namespace Memory
