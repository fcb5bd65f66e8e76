#include "utility/image/jpeg_errors.h"

namespace {

void JumpBack(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorJump*>(info->err)->jump, 1);
}

void PrintNothing(j_common_ptr) {}

} // namespace

jpeg_error_mgr* UseJpegErrorJump(JpegErrorJump& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpBack;
    errors.manager.output_message = PrintNothing;
    return &errors.manager;
}
