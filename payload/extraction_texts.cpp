// Compiled with code page 932 as the execution character set.
#include "extraction_texts.h"

const char ResourceNotFoundText[] = "リソースが見つかりません";
