#include "utility/effect/state_names.h"

#include <strings.h>

namespace {

struct Word {
    const char* word;
    DWORD value;
};

const Word kBooleans[] = {{"FALSE", FALSE}, {"TRUE", TRUE}, {nullptr, 0}};
const Word kComparisons[] = {{"NEVER", D3DCMP_NEVER},
                             {"LESS", D3DCMP_LESS},
                             {"EQUAL", D3DCMP_EQUAL},
                             {"LESSEQUAL", D3DCMP_LESSEQUAL},
                             {"GREATER", D3DCMP_GREATER},
                             {"NOTEQUAL", D3DCMP_NOTEQUAL},
                             {"GREATEREQUAL", D3DCMP_GREATEREQUAL},
                             {"ALWAYS", D3DCMP_ALWAYS},
                             {nullptr, 0}};
const Word kBlends[] = {{"ZERO", D3DBLEND_ZERO},
                        {"ONE", D3DBLEND_ONE},
                        {"SRCCOLOR", D3DBLEND_SRCCOLOR},
                        {"INVSRCCOLOR", D3DBLEND_INVSRCCOLOR},
                        {"SRCALPHA", D3DBLEND_SRCALPHA},
                        {"INVSRCALPHA", D3DBLEND_INVSRCALPHA},
                        {"DESTALPHA", D3DBLEND_DESTALPHA},
                        {"INVDESTALPHA", D3DBLEND_INVDESTALPHA},
                        {"DESTCOLOR", D3DBLEND_DESTCOLOR},
                        {"INVDESTCOLOR", D3DBLEND_INVDESTCOLOR},
                        {"SRCALPHASAT", D3DBLEND_SRCALPHASAT},
                        {nullptr, 0}};
const Word kBlendOps[] = {{"ADD", D3DBLENDOP_ADD},
                          {"SUBTRACT", D3DBLENDOP_SUBTRACT},
                          {"REVSUBTRACT", D3DBLENDOP_REVSUBTRACT},
                          {"MIN", D3DBLENDOP_MIN},
                          {"MAX", D3DBLENDOP_MAX},
                          {nullptr, 0}};
const Word kCullModes[] = {
    {"NONE", D3DCULL_NONE}, {"CW", D3DCULL_CW}, {"CCW", D3DCULL_CCW}, {nullptr, 0}};
const Word kNumbersOnly[] = {{nullptr, 0}};
const Word kAddressModes[] = {{"WRAP", D3DTADDRESS_WRAP},
                              {"MIRROR", D3DTADDRESS_MIRROR},
                              {"CLAMP", D3DTADDRESS_CLAMP},
                              {"BORDER", D3DTADDRESS_BORDER},
                              {"MIRRORONCE", D3DTADDRESS_MIRRORONCE},
                              {nullptr, 0}};
const Word kFilters[] = {{"NONE", D3DTEXF_NONE},
                         {"POINT", D3DTEXF_POINT},
                         {"LINEAR", D3DTEXF_LINEAR},
                         {"ANISOTROPIC", D3DTEXF_ANISOTROPIC},
                         {nullptr, 0}};

struct StateName {
    const char* name;
    DWORD state;
    const Word* words;
};

const StateName kRenderStates[] = {{"ZEnable", D3DRS_ZENABLE, kBooleans},
                                   {"ZWriteEnable", D3DRS_ZWRITEENABLE, kBooleans},
                                   {"ZFunc", D3DRS_ZFUNC, kComparisons},
                                   {"AlphaTestEnable", D3DRS_ALPHATESTENABLE, kBooleans},
                                   {"AlphaRef", D3DRS_ALPHAREF, kNumbersOnly},
                                   {"AlphaFunc", D3DRS_ALPHAFUNC, kComparisons},
                                   {"AlphaBlendEnable", D3DRS_ALPHABLENDENABLE, kBooleans},
                                   {"SrcBlend", D3DRS_SRCBLEND, kBlends},
                                   {"DestBlend", D3DRS_DESTBLEND, kBlends},
                                   {"BlendOp", D3DRS_BLENDOP, kBlendOps},
                                   {"CullMode", D3DRS_CULLMODE, kCullModes},
                                   {"FogEnable", D3DRS_FOGENABLE, kBooleans},
                                   {"ColorWriteEnable", D3DRS_COLORWRITEENABLE, kNumbersOnly},
                                   {nullptr, 0, nullptr}};

const StateName kSamplerStates[] = {{"AddressU", D3DSAMP_ADDRESSU, kAddressModes},
                                    {"AddressV", D3DSAMP_ADDRESSV, kAddressModes},
                                    {"AddressW", D3DSAMP_ADDRESSW, kAddressModes},
                                    {"BorderColor", D3DSAMP_BORDERCOLOR, kNumbersOnly},
                                    {"MagFilter", D3DSAMP_MAGFILTER, kFilters},
                                    {"MinFilter", D3DSAMP_MINFILTER, kFilters},
                                    {"MipFilter", D3DSAMP_MIPFILTER, kFilters},
                                    {"MaxMipLevel", D3DSAMP_MAXMIPLEVEL, kNumbersOnly},
                                    {"MaxAnisotropy", D3DSAMP_MAXANISOTROPY, kNumbersOnly},
                                    {nullptr, 0, nullptr}};

const StateName* FindState(const StateName* table, const std::string& name) {
    for (; table->name; ++table)
        if (strcasecmp(table->name, name.c_str()) == 0)
            return table;
    return nullptr;
}

const StateName* FindStateByValue(const StateName* table, DWORD state) {
    for (; table->name; ++table)
        if (table->state == state)
            return table;
    return nullptr;
}

bool ValueOf(const StateName* entry, const std::string& word, DWORD* value) {
    if (!entry)
        return false;
    for (const Word* w = entry->words; w->word; ++w) {
        if (strcasecmp(w->word, word.c_str()) == 0) {
            *value = w->value;
            return true;
        }
    }
    return false;
}

} // namespace

bool FindRenderState(const std::string& name, D3DRENDERSTATETYPE* state) {
    const StateName* entry = FindState(kRenderStates, name);
    if (entry)
        *state = D3DRENDERSTATETYPE(entry->state);
    return entry != nullptr;
}

bool FindSamplerState(const std::string& name, D3DSAMPLERSTATETYPE* state) {
    const StateName* entry = FindState(kSamplerStates, name);
    if (entry)
        *state = D3DSAMPLERSTATETYPE(entry->state);
    return entry != nullptr;
}

bool RenderStateValue(D3DRENDERSTATETYPE state, const std::string& word, DWORD* value) {
    return ValueOf(FindStateByValue(kRenderStates, state), word, value);
}

bool SamplerStateValue(D3DSAMPLERSTATETYPE state, const std::string& word, DWORD* value) {
    return ValueOf(FindStateByValue(kSamplerStates, state), word, value);
}
