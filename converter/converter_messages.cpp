// The Persian messages of the file converter's core.
#include "converter/converter_messages.h"

namespace zerva::converter {

QString writeFailedMessage() {
    return QStringLiteral("ادامه نوشتن در فايل جاري ممكن نيست.");
}

QString fileFailedMessage(const QString& name) {
    return QStringLiteral("اشكال در تبديل فايل ") + name;
}

} // namespace zerva::converter
