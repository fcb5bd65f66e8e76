#include "utility/image/jpeg_errors.h"

namespace {

void PrintNothing(j_common_ptr) {}

} // namespace

jpeg_error_mgr* UseJpegErrorJump(JpegErrorJump& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpToJpegSetjmp;
    errors.manager.output_message = PrintNothing;
    return &errors.manager;
}

void JumpToJpegSetjmp(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegErrorJump*>(info->err)->jump, 1);
}
