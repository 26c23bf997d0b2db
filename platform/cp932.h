// Code page 932: the first bytes of its double-byte characters.
#ifndef QUORLEN_CP932_H
#define QUORLEN_CP932_H

inline int IsCp932LeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

#endif
