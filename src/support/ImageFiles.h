#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

// Which files are images, whether one decodes, and the one way the system
// reads an image. All safe from any thread.

// A regular, readable file whose type (from its extension, or from its content
// when it has none) is one QImageReader can read.
bool isImageFile(const QString &path);

// Whether the whole file decodes as an image. JPEGs are decoded at 1/8 size
// inside the decoder (every byte of the file is still decoded), and a JPEG
// without its end-of-image marker is refused: it is a photo still being
// copied, which the reader would otherwise fill up with grey.
bool IsValidImageObject(const QString &path);

// Reads an image upright (EXIF orientation applied). With a valid maxSize the
// image is decoded scaled to fit inside it (never enlarged); JPEGs scale in the
// decoder, by 1/8 at most. Null when the file does not decode or would need more memory than
// QImageReader::allocationLimit() allows, which is checked before decoding.
QImage readImage(const QString &path, QSize maxSize = {});

// The size the validity check decodes a JPEG of the given size at.
QSize validationDecodeSize(QSize declaredSize);

// An image of this size would not fit QImageReader::allocationLimit().
bool exceedsImageAllocationLimit(QSize decodeSize);

// Whether the device's data ends with a JPEG end-of-image marker (FF D9),
// ignoring trailing zero padding. Reads only the tail; moves the position.
bool jpegHasEndOfImage(QIODevice &device);
