// Marks the functions of the audio thread's per-block path. GCC places them together (its hot
// text section), so that a block arriving after the host slept, with the caches and the
// translation buffers cold, fetches the code of its path from a page or two instead of from
// one page per function.
#pragma once

#if defined(__GNUC__)
#define QV_AUDIO_PATH __attribute__((hot))
#else
#define QV_AUDIO_PATH
#endif
