// Opens arbitrary bytes as an MXP package and reads and extracts every indexed entry.
#include "PackageFuzzBody.h"
#include "packages/MXP.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return fuzzPackage<MXP>(data, size, QStringLiteral("input.mxp"));
}
