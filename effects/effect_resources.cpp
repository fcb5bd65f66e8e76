#include "effects/effect_resources.h"

#include "platform/win32/resources.h"

#include <iterator>

// Written by embed_effect.cmake from the effect texts.
extern const unsigned char zq_scene_effect[];
extern const unsigned int zq_scene_effect_size;
extern const unsigned char zq_dimmed_scene_effect[];
extern const unsigned int zq_dimmed_scene_effect_size;
extern const unsigned char zq_postprocess_effect[];
extern const unsigned int zq_postprocess_effect_size;

void RegisterEffectResources() {
    static const EmbeddedResource table[] = {
        {kResourceTypeRcData, kSceneEffectResource, zq_scene_effect, zq_scene_effect_size},
        {kResourceTypeRcData, kDimmedSceneEffectResource, zq_dimmed_scene_effect,
         zq_dimmed_scene_effect_size},
        {kResourceTypeRcData, kPostProcessEffectResource, zq_postprocess_effect,
         zq_postprocess_effect_size},
    };
    RegisterResources(table, std::size(table));
}
