#include <QCoreApplication>

#include "audio/ErrorReasons.h"

std::string BassErrorReasonNow(int code) {
    return BassErrorReason(code, [](const char* context, const char* text) {
        return QCoreApplication::translate(context, text).toStdString();
    });
}
