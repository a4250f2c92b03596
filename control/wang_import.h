#pragma once
// Wang/Oi annotation data (TIFF tag 32932) made into the engine's layers and
// items, through elements.
#include <cstddef>

#include "annotation_engine.h"

// Data that is too short or not in the 32-bit Intel format gives
// QMK_ErrInvalidFile (1006) and changes nothing. Otherwise the marks are
// added to the engine's layers block by block (the caller clears the engine
// first when the data replaces a page): with preserveLayers a new layer at
// each group block after the first, named by it, else all marks in one
// layer. A block that does not fit, or of an unknown type, ends the walk;
// the marks before it stay. Marks the engine has no class for (text from
// file, image reference, form, OCR region) are passed over. An index from
// the data becomes the item's sequence number when no other item of its
// layer has that number. The last layer made stays current, with the
// pointer tool. 0 or 1006.
int ImportWangAnnotations(AnnotationEngine* engine, const void* data, size_t length, int imageWidth,
                          int imageHeight, bool preserveLayers);

// The engine's annotations as Wang/Oi annotation data for tag 32932: the
// Unicode writer when the engine's QMK_UnicodeMode is 1, else the ANSI
// writer, with the layers preserved or not. The byte count (block then
// holds a CoTaskMem block the caller frees), or 0 with block untouched.
int SaveWangAnnotationData(AnnotationEngine* engine, bool preserveLayers, void** block);
