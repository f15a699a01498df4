// Two starts of a program, watched with xwininfo.
#include "tests/support/second_start.h"

#include "tests/support/test_paths.h"
#include "tests/support/wait.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace zerva::test {

namespace {

QString xwininfo(const QProcessEnvironment& env, const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("xwininfo"), args);
    p.waitForFinished(5000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The root's children, top-most first.
QStringList stackingOrder(const QProcessEnvironment& env) {
    QStringList lines;
    const QString out = xwininfo(env, {QStringLiteral("-root"), QStringLiteral("-children")});
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QStringLiteral("0x"))) {
            lines << line;
        }
    }
    return lines;
}

qsizetype indexOf(const QStringList& lines, const QString& text) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(text)) {
            return i;
        }
    }
    return -1;
}

struct Process {
    explicit Process(const QProcessEnvironment& env) { p.setProcessEnvironment(env); }
    ~Process() {
        p.kill();
        p.waitForFinished(5000);
    }
    QProcess p;
};

} // namespace

QString secondStartUnavailable() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        return QStringLiteral("DISPLAY is not set: run under Xvfb to test the second start");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("xmessage")).isEmpty()) {
        return QStringLiteral("xwininfo and xmessage (x11-utils) are needed");
    }
    return {};
}

void expectSecondStartRaisesTheFirst(const QString& program, const QString& windowClass,
                                     const std::function<void(const QDir& home)>& whileFirstRuns) {
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("Windir"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path()); // the single-instance socket
    env.insert(QStringLiteral("TMPDIR"), home.path());
    const QString path = binDir() + QLatin1Char('/') + program;
    // The main window's line ends with its instance and class names.
    const QString window = QLatin1Char('"') + windowClass + QStringLiteral("\")");

    Process first(env);
    first.p.start(path, {});
    ASSERT_TRUE(first.p.waitForStarted());
    ASSERT_TRUE(waitUntil([&] { return indexOf(stackingOrder(env), window) >= 0; }, 15000));
    if (whileFirstRuns) {
        whileFirstRuns(QDir(home.path()));
    }

    // Centred on the screen (no window manager: the geometry is the window's own).
    const QRegularExpression geometry(QStringLiteral("(\\d+)x(\\d+)\\+(-?\\d+)\\+(-?\\d+)"));
    const QStringList order = stackingOrder(env);
    const auto placed = geometry.match(order[indexOf(order, window)]);
    const QString root = xwininfo(env, {QStringLiteral("-root")});
    const auto width = QRegularExpression(QStringLiteral("Width: (\\d+)")).match(root);
    const auto height = QRegularExpression(QStringLiteral("Height: (\\d+)")).match(root);
    ASSERT_TRUE(placed.hasMatch() && width.hasMatch() && height.hasMatch());
    const int centreX = placed.captured(3).toInt() + placed.captured(1).toInt() / 2;
    const int centreY = placed.captured(4).toInt() + placed.captured(2).toInt() / 2;
    EXPECT_NEAR(centreX, width.captured(1).toInt() / 2, 2);
    EXPECT_NEAR(centreY, height.captured(1).toInt() / 2, 2);

    // Another window on top of it.
    Process cover(env);
    cover.p.start(QStringLiteral("xmessage"),
                  {QStringLiteral("-name"), QStringLiteral("zervacover"), QStringLiteral("cover")});
    ASSERT_TRUE(waitUntil(
        [&] {
            const QStringList now = stackingOrder(env);
            const qsizetype c = indexOf(now, QStringLiteral("zervacover"));
            return c >= 0 && c < indexOf(now, window);
        },
        15000));

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(path, {});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(waitUntil(
        [&] {
            const QStringList now = stackingOrder(env);
            return indexOf(now, window) < indexOf(now, QStringLiteral("zervacover"));
        },
        10000));
    EXPECT_EQ(first.p.state(), QProcess::Running);
    EXPECT_EQ(stackingOrder(env).filter(window).size(), 1);
}

} // namespace zerva::test
