/*
 * vdformat.h - the engine image types a packet slot takes, each with the
 * board's name for it (a texture or frame-buffer format) and its size.
 */
#ifndef VDFORMAT_H
#define VDFORMAT_H

#include <cstddef>
#include <cstdint>

template <typename BoardFormat>
struct vdIMAGE_FORMAT {
    int32_t imageType; /* MW_IMAGE_ */
    BoardFormat format;
    int bytesPerPixel;
};

/* The row of `table` for imageType; NULL for a type it does not list. */
template <typename BoardFormat, size_t N>
const vdIMAGE_FORMAT<BoardFormat> *vdFindImageFormat(const vdIMAGE_FORMAT<BoardFormat> (&table)[N],
                                                     int32_t imageType)
{
    for (const vdIMAGE_FORMAT<BoardFormat> &row : table)
        if (row.imageType == imageType)
            return &row;
    return nullptr;
}

#endif
