// The image memory ST_InitBuffer allocated, remembered by its address: a record keeps the
// capacity it was given even after a grab of a smaller image set its imageSize to that image's
// size. A record whose memory the application allocated itself (or changed since the library
// last wrote it) is bounded by its imageSize alone.
#pragma once

#include <cstdint>

struct _bnkBuffer;

namespace ky::camctrl {

// `data` holds `capacity` bytes (allocated by the library); the record's imageSize is that.
void RememberImageMemory(const void *data, uint32_t capacity);
// How many bytes the record's memory holds: the allocated capacity when the library allocated
// `data` and the record's imageSize is still what the library last wrote there; else imageSize.
uint32_t ImageCapacity(const _bnkBuffer &record);
// The library changed a record's imageSize from `previous` to `now` (a grab); remembered only
// when `previous` was what the library last wrote for that memory.
void NoteImageSize(const void *data, uint32_t previous, uint32_t now);
// `data` is being released.
void ForgetImageMemory(const void *data);

}  // namespace ky::camctrl
