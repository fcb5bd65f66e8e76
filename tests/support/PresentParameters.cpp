#include "tests/support/PresentParameters.h"

D3DPRESENT_PARAMETERS WindowedPresentParameters(UINT width, UINT height) {
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = width;
    params.BackBufferHeight = height;
    params.BackBufferFormat = D3DFMT_X8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_COPY;
    params.Windowed = TRUE;
    return params;
}
