#pragma once
// libjpeg's fatal-error hook for code that reads or writes pictures: libjpeg
// reports fatal errors through a callback that must not return, so
// onJpegFatal() keeps the message and longjmps back to the setjmp() on
// `jump`. The frame that set the jump must hold only trivially destructible
// objects, so that no C++ destructor is skipped.
#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace vos {

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first: libjpeg sees only this part
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

inline void onJpegFatal(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

}  // namespace vos
