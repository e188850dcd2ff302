// The sentence for each catalogue verdict.
#include "cli/file_reasons.h"

#include <cstdio>

#include "app/user_texts.h"

namespace {

TextId NameText(NameVerdict verdict) {
    switch (verdict) {
        case NameModelUnknown: return TextCliFitModelUnknown;
        case NameLacksWord: return TextCliFitLacksWord;
        case NameLacksEf: return TextCliFitLacksEf;
        default: return TextCliFitNoRule;
    }
}

TextId VerdictText(const CatalogueCheck& check) {
    switch (check.verdict) {
        case EntryNameMisfit: return NameText(check.name.verdict);
        case EntryNoTag: return TextCliFitNoTag;
        case EntryNoVersion: return TextCliFitNoVersion;
        case EntryNoFirstLine: return TextCliFitNoFirstLine;
        case EntryTagNotInFirstLine: return TextCliFitTagNotInFirstLine;
        default: return TextCliFitPathTooLong;  // a cut name or a cut path
    }
}

}  // namespace

void FileMisfitReason(const CatalogueCheck& check, const CatalogueDevice& device, char* out, size_t size) {
    char product[12];
    std::snprintf(product, sizeof product, "%08X", static_cast<unsigned>(device.productId));
    TextArgs args;
    args.device = DeviceNoun(device.kind);
    args.detail = check.verdict == EntryTagNotInFirstLine ? check.tag
                  : check.name.verdict == NameLacksWord  ? check.name.word
                                                         : product;
    FormatText(VerdictText(check), args, out, size);
}
