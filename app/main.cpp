// Process entry: one application on the stack, run at 60 frames a second.
// The status is 1 whatever the run returned.
#include "framework/InputState.h"
#include "framework/KvBase.h"

namespace {

// Opens the window and runs the loop until it is closed or Escape is pressed.
class ShellApp final : public KvBase {
public:
    ~ShellApp() override { CloseIfOpen(); }
    bool OnInit() override { return true; }
    void OnTerm() override {}
    void OnFrame() override {
        if (inputState.IsKeyPressed(VK_ESCAPE))
            quit = true;
    }
};

} // namespace

int main() {
    {
        ShellApp app;
        app.Run(GetModuleHandleA(nullptr), 60.0f);
    }
    return 1;
}
