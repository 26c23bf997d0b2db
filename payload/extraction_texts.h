#ifndef QUORLEN_EXTRACTION_TEXTS_H
#define QUORLEN_EXTRACTION_TEXTS_H

// Code page 932 bytes.
extern const char ResourceNotFoundText[];

#endif
