// The Persian messages of the file converter's core.
#include "converter/converter_messages.h"

namespace zerva::converter {

QString noTablesMessage() {
    return QStringLiteral("هيچ جدول تبديلي در پروندهي ZervaCnv.ini پيدا نشد.");
}

QString tableListErrorMessage() {
    return QStringLiteral("خطا در پروندهي ZervaCnv.ini.");
}

QString tableFileErrorMessage(int n) {
    return QStringLiteral("اشكال در پروندهي Table") + QString::number(n) +
           QStringLiteral(".ini، امكان تبديل پرونده وجود ندارد.");
}

QString writeFailedMessage() {
    return QStringLiteral("ادامه نوشتن در فايل جاري ممكن نيست.");
}

QString fileFailedMessage(const QString& name) {
    return QStringLiteral("اشكال در تبديل فايل ") + name;
}

} // namespace zerva::converter
