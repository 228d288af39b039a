// DiagnosticCapture: one per thread at most, found through a thread-local pointer.
#include "io/file/DiagnosticCapture.h"

namespace kalderino {

namespace {

thread_local DiagnosticCapture* capturing = nullptr;

}  // namespace

DiagnosticCapture::DiagnosticCapture() { capturing = this; }

DiagnosticCapture::~DiagnosticCapture() { capturing = nullptr; }

DiagnosticCapture* DiagnosticCapture::current() { return capturing; }

}  // namespace kalderino
