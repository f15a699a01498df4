// Builders for the converter tests.
#include "tests/converter/test_tables.h"

#include "tests/support/test_paths.h"

#include <gtest/gtest.h>

namespace zerva::test {

QByteArray bytes(std::initializer_list<int> values) {
    QByteArray out;
    for (int v : values) {
        out.append(static_cast<char>(v));
    }
    return out;
}

QByteArray tableText(std::initializer_list<const char*> lines) {
    QByteArray text("[Convert Table]\r\n");
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

converter::ConversionTable makeTable(std::initializer_list<const char*> lines,
                                     converter::Direction direction) {
    auto table = converter::parseConversionTable(tableText(lines), direction);
    EXPECT_TRUE(table.has_value());
    return table.value_or(converter::ConversionTable());
}

QByteArray convertBytes(const FileConverter& convert, const converter::ConversionTable& table,
                        const QByteArray& input, const converter::ConvertOptions& options) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.txt"));
    const QString destination = dir.filePath(QStringLiteral("out.txt"));
    EXPECT_TRUE(writeFile(source, input));
    FakeMessenger messenger;
    const auto status = convert(source, destination, table, messenger, options);
    EXPECT_EQ(status, converter::ConvertStatus::Success);
    EXPECT_TRUE(messenger.all().isEmpty());
    return readFile(destination);
}

} // namespace zerva::test
