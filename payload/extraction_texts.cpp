// Written in UTF-8; the build makes the literals code page 932 bytes.
#include "extraction_texts.h"

const char ResourceNotFoundText[] = "リソースが見つかりません";
