// The Persian messages of the file converter's core.
#include "converter/converter_messages.h"

namespace zerva::converter {

QString writeFailedMessage() {
    return QStringLiteral("ادامه نوشتن در فايل جاري ممكن نيست.");
}

QString fileFailedMessage(const QString& name) {
    return QStringLiteral("اشكال در تبديل فايل ") + name;
}

namespace {

// A name isolated, so that a Latin name keeps its place in the right-to-left sentence.
QString isolated(const QString& name) {
    return QChar(0x2068) + name + QChar(0x2069);
}

} // namespace

QString notRegularFileMessage(const QString& name) {
    return QStringLiteral("«") + isolated(name) +
           QStringLiteral("» پرونده معمولي نيست و تبديل نميشود.");
}

QString sourceChangedMessage(const QString& name) {
    return QStringLiteral("پرونده «") + isolated(name) +
           QStringLiteral("» در حين تبديل تغيير كرد و تبديل نشد.");
}

QString conversionFailedMessage(ConvertStatus status, const QString& name) {
    switch (status) {
    case ConvertStatus::SourceNotRegular:
        return notRegularFileMessage(name);
    case ConvertStatus::SourceChanged:
        return sourceChangedMessage(name);
    default:
        return fileFailedMessage(name);
    }
}

} // namespace zerva::converter
