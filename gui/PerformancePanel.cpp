#include "gui/PerformancePanel.h"

#include "framework/KvDX9Template.h"

namespace {

constexpr D3DCOLOR kTextShadow = 0xFF000000;
constexpr D3DCOLOR kBackground = 0xBFBFBFBF; // grey 0.75, alpha 0.75

void DrawTextLines(KvDX9Template& framework, const PerformanceMarker& marker,
                   const char* const names[kPanelSections], const float textPosition[2]) {
    if (!framework.font)
        return;
    float budget = framework.framePeriod;
    for (int i = 0; i < kPanelSections; ++i) {
        float duration = marker.AverageDuration(i);
        char line[256];
        KvDX9Template::FormatText(line, sizeof line, "%s %.1fms %.1f%%", names[i] ? names[i] : "",
                                  double(duration), double(duration / budget * 100.0f));
        LONG left = LONG(textPosition[0]);
        LONG top = LONG(textPosition[1]) + i * framework.fontHeight;
        RECT shadow{left + 1, top + 1, framework.width, framework.height};
        framework.font->DrawTextA(nullptr, line, -1, &shadow, DT_NOCLIP, kTextShadow);
        RECT text{left, top, framework.width, framework.height};
        framework.font->DrawTextA(nullptr, line, -1, &text, DT_NOCLIP, PerformanceTextColour(i));
    }
}

void DrawBars(KvDX9Template& framework, const PerformanceMarker& marker, const float P[2],
              const float S[2]) {
    float budget = framework.framePeriod;
    float barHeight = S[1] * 0.5f * 1.5f;
    float rowStep = S[1] - barHeight;
    for (int i = 0; i < kPanelSections; ++i) {
        float left = P[0] + marker.AverageBegin(i) / budget * S[0];
        float right = left + marker.AverageDuration(i) / budget * S[0];
        // A bar centred left of the panel began, on average, in the frame
        // before: move it on by one mean frame length.
        if ((left + right) / 2.0f < P[0]) {
            float shift = marker.MeanFrameLength() / budget * S[0];
            left += shift;
            right += shift;
        }
        float top = P[1] + float(i) * rowStep;
        float topLeft[2] = {left, top};
        float bottomRight[2] = {right, top + barHeight};
        framework.DrawPanel(topLeft, bottomRight, PerformanceBarColour(i));
    }
}

} // namespace

D3DCOLOR PerformanceBarColour(int section) {
    static const float palette[8][3] = {{0.0f, 0.7f, 0.3f}, {0.7f, 0.0f, 0.3f}, {0.2f, 0.2f, 0.8f},
                                        {0.7f, 0.7f, 0.0f}, {0.0f, 0.7f, 0.7f}, {0.7f, 0.0f, 0.7f},
                                        {0.8f, 0.4f, 0.0f}, {0.8f, 0.5f, 0.5f}};
    const float* rgb = palette[unsigned(section) % 8];
    return KvDX9Template::ColorFromFloats(rgb[0], rgb[1], rgb[2], 0.5f);
}

D3DCOLOR PerformanceTextColour(int section) {
    D3DCOLOR colour = PerformanceBarColour(section);
    KvDX9Template::ScaleColor(colour, 1.2f, 1.2f, 1.2f, 2.0f);
    return colour;
}

void DrawPerformancePanel(KvDX9Template& framework, const PerformanceMarker& marker,
                          const char* const sectionNames[kPanelSections],
                          const float panelPosition[2], const float panelSize[2],
                          const float textPosition[2]) {
    if (!framework.device)
        return;
    DrawTextLines(framework, marker, sectionNames, textPosition);
    framework.device->SetFVF(kScreenVertexFvf);
    framework.device->SetTexture(0, nullptr);
    float farCorner[2] = {panelPosition[0] + panelSize[0], panelPosition[1] + panelSize[1]};
    framework.DrawPanel(panelPosition, farCorner, kBackground);
    DrawBars(framework, marker, panelPosition, panelSize);
}
