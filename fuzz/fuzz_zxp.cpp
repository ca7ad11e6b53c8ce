// Opens arbitrary bytes as a ZXP package and reads and extracts every indexed entry.
#include "PackageFuzzBody.h"
#include "packages/ZXP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzPackage<ZXP>(data, size, QStringLiteral("input.zxp"));
}
