// The user's XKB rules files and Compose file, merged with what is there.
#include "xkb_user_files.h"

namespace zerva::keyboard {
namespace {

const QByteArray kBlockBegin = "# Zerva 2001 keyboard layout: keys that type two characters.\n";
const QByteArray kBlockEnd = "# End of the Zerva 2001 keyboard layout.\n";

QByteArray xmlEscaped(const QString& text) {
    return text.toHtmlEscaped().toUtf8();
}

QByteArray layoutElement(const QString& name, const QString& description) {
    return "    <layout>\n"
           "      <configItem>\n"
           "        <name>" +
           xmlEscaped(name) +
           "</name>\n"
           "        <shortDescription>fa</shortDescription>\n"
           "        <description>" +
           xmlEscaped(description) +
           "</description>\n"
           "        <languageList>\n"
           "          <iso639Id>per</iso639Id>\n"
           "        </languageList>\n"
           "      </configItem>\n"
           "    </layout>\n";
}

} // namespace

QByteArray xkbUserRules() {
    return "// Written by the Zerva 2001 keyboard editor: the system's rules, so that the user's\n"
           "// own layouts in this folder come on top of every system layout.\n"
           "! include %S/evdev\n";
}

std::optional<QByteArray> xkbRulesXmlWithLayout(const std::optional<QByteArray>& existing,
                                                const QString& name, const QString& description) {
    const QByteArray layout = layoutElement(name, description);
    if (!existing) {
        return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE xkbConfigRegistry SYSTEM \"xkb.dtd\">\n"
               "<xkbConfigRegistry version=\"1.1\">\n"
               "  <layoutList>\n" +
               layout +
               "  </layoutList>\n"
               "</xkbConfigRegistry>\n";
    }
    QByteArray xml = *existing;
    if (xml.contains("<name>" + xmlEscaped(name) + "</name>")) {
        return std::nullopt;
    }
    const qsizetype listEnd = xml.lastIndexOf("</layoutList>");
    if (listEnd >= 0) {
        const qsizetype lineStart = xml.lastIndexOf('\n', listEnd) + 1;
        const bool ownLine = xml.mid(lineStart, listEnd - lineStart).trimmed().isEmpty();
        xml.insert(ownLine ? lineStart : listEnd, ownLine ? layout : "\n" + layout);
        return xml;
    }
    const qsizetype registryEnd = xml.lastIndexOf("</xkbConfigRegistry>");
    if (registryEnd < 0) {
        return std::nullopt;
    }
    xml.insert(registryEnd, "  <layoutList>\n" + layout + "  </layoutList>\n");
    return xml;
}

std::optional<QByteArray> composeFileWithSequences(const std::optional<QByteArray>& existing,
                                                   const QByteArray& sequences) {
    const QByteArray block =
        sequences.isEmpty() ? QByteArray() : kBlockBegin + sequences + kBlockEnd;
    if (!existing) {
        if (block.isEmpty()) {
            return std::nullopt;
        }
        return "include \"%L\"\n\n" + block;
    }
    QByteArray text = *existing;
    const qsizetype begin = text.indexOf(kBlockBegin);
    const qsizetype end = begin < 0 ? -1 : text.indexOf(kBlockEnd, begin);
    if (begin >= 0 && end >= 0) {
        text.replace(begin, end + kBlockEnd.size() - begin, block);
    } else if (!block.isEmpty()) {
        if (!text.isEmpty() && !text.endsWith('\n')) {
            text += '\n';
        }
        text += (text.isEmpty() ? QByteArray() : QByteArray("\n")) + block;
    }
    if (text == *existing) {
        return std::nullopt;
    }
    return text;
}

} // namespace zerva::keyboard
