// Shared services: help from the settings store, dialog filters, the single running copy.
#include "common/platform/help_window.h"
#include "common/platform/local_single_instance.h"
#include "common/settings_store.h"
#include "tests/support/fake_services.h"
#include "tests/support/test_paths.h"
#include "tests/support/wait.h"

#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

using namespace zerva::common;

TEST(Help, OpensThePageNamedInTheSettingsOrNothing) {
    QTemporaryDir dir;
    const QString defaults = dir.filePath(QStringLiteral("defaults.reg"));
    zerva::test::FakeHelpViewer viewer;
    SettingsStore store(dir.filePath(QStringLiteral("user.reg")), defaults);
    EXPECT_FALSE(openSuiteHelp(store, viewer));
    EXPECT_TRUE(viewer.opened.isEmpty());

    ASSERT_TRUE(zerva::test::writeFile(
        defaults, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n"
                  "\"help\"=\"/srv/help/zerva.html\"\n"));
    EXPECT_TRUE(openSuiteHelp(store, viewer));
    EXPECT_TRUE(openSuiteHelp(store, viewer, QStringLiteral("converter")));
    EXPECT_EQ(viewer.opened,
              (QStringList{QStringLiteral("/srv/help/zerva.html"),
                           QStringLiteral("file:///srv/help/zerva.html#converter")}));

    // Only an HTML page gets a section.
    ASSERT_TRUE(zerva::test::writeFile(
        defaults, "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Zerva\\Zerva 2001]\n"
                  "\"help\"=\"/srv/help/zerva.pdf\"\n"));
    viewer.opened.clear();
    EXPECT_TRUE(openSuiteHelp(store, viewer, QStringLiteral("converter")));
    EXPECT_EQ(viewer.opened, QStringList{QStringLiteral("file:///srv/help/zerva.pdf")});
}

TEST(Help, SuiteViewerShowsHtmlRightToLeftAndRefusesMissingFiles) {
    SuiteHelpViewer viewer;
    EXPECT_FALSE(viewer.open(QStringLiteral("/nonexistent/help.html")));
    const QString page = zerva::test::dataDir() + QStringLiteral("/help/zerva.html");
    ASSERT_TRUE(viewer.open(page));
    ASSERT_NE(viewer.window(), nullptr);
    EXPECT_TRUE(viewer.window()->isVisible());
    EXPECT_EQ(viewer.window()->layoutDirection(), Qt::RightToLeft);
    EXPECT_TRUE(viewer.window()->toPlainText().contains(QStringLiteral("2001")));
}

TEST(FileDialogFilters, PipeListBecomesNameFilters) {
    EXPECT_EQ(
        nameFilters(QStringLiteral("Keyboard Layout Files (*.kbd)|*.kbd|All Files (*.*)|*.*")),
        (QStringList{QStringLiteral("Keyboard Layout Files (*.kbd)"),
                     QStringLiteral("All Files (*.*)")}));
    EXPECT_EQ(nameFilters(QStringLiteral("Text|*.txt;*.rtf")),
              QStringList{QStringLiteral("Text (*.txt *.rtf)")});
}

namespace {

// Sets environment variables for one test and puts the old values back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        for (auto it = m_old.rbegin(); it != m_old.rend(); ++it) {
            if (it->second) {
                qputenv(it->first, *it->second);
            } else {
                qunsetenv(it->first);
            }
        }
    }
    void set(const char* name, const QString& value) {
        remember(name);
        qputenv(name, QFile::encodeName(value));
    }
    void unset(const char* name) {
        remember(name);
        qunsetenv(name);
    }

private:
    void remember(const char* name) {
        m_old.emplace_back(name, qEnvironmentVariableIsSet(name)
                                     ? std::optional<QByteArray>(qgetenv(name))
                                     : std::nullopt);
    }
    std::vector<std::pair<const char*, std::optional<QByteArray>>> m_old;
};

// A process of the given user listening on a local socket at path, as anyone could on a
// predictable name in a shared folder. It answers nothing and lives until the end of scope.
class ForeignListener {
public:
    ForeignListener(const QString& path, uid_t uid) {
        const QByteArray name = QFile::encodeName(path);
        int ready[2];
        if (::pipe(ready) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only plain system calls in the child of a threaded process.
            ::close(ready[0]);
            if (::setgid(uid) != 0 || ::setuid(uid) != 0) {
                ::_exit(1);
            }
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, name.constData(),
                        std::min<std::size_t>(static_cast<std::size_t>(name.size()),
                                              sizeof address.sun_path - 1));
            if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                ::chmod(name.constData(), 0777) != 0 || ::listen(fd, 8) != 0) {
                ::_exit(2);
            }
            const char byte = 'r';
            if (::write(ready[1], &byte, 1) != 1) {
                ::_exit(3);
            }
            for (;;) {
                ::accept(fd, nullptr, nullptr); // holds every connection open, says nothing
            }
        }
        ::close(ready[1]);
        char byte = 0;
        m_listening = m_pid > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~ForeignListener() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    ForeignListener(const ForeignListener&) = delete;
    ForeignListener& operator=(const ForeignListener&) = delete;

    bool listening() const { return m_listening; }

private:
    pid_t m_pid = -1;
    bool m_listening = false;
};

uid_t ownerOf(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_uid : uid_t(-1);
}

} // namespace

TEST(SingleInstance, SocketLivesInTheRuntimeFolderAndNamesTheDisplay) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("/run/user/1000/"));
    env.insert(QStringLiteral("DISPLAY"), QStringLiteral(":0"));
    const QString first = LocalSingleInstance::socketPath(QStringLiteral("ZervaCNV"), env);
    EXPECT_EQ(QFileInfo(first).path(), QStringLiteral("/run/user/1000"));
    EXPECT_TRUE(QFileInfo(first).fileName().startsWith(QStringLiteral("zerva-ZervaCNV-")));
    EXPECT_NE(LocalSingleInstance::socketPath(QStringLiteral("ZervaCBC"), env), first);

    // Each display, and a display name that merely looks alike once cleaned, has its own.
    QStringList seen{first};
    for (const char* display : {":1", "_0", "%3A0", "localhost:10.0"}) {
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        const QString path = LocalSingleInstance::socketPath(QStringLiteral("ZervaCNV"), env);
        EXPECT_FALSE(seen.contains(path)) << display;
        seen << path;
    }
    // A Wayland display comes first; a name holding "/" stays one file in the folder.
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("../../wayland-1"));
    const QString wayland = LocalSingleInstance::socketPath(QStringLiteral("ZervaCNV"), env);
    EXPECT_FALSE(seen.contains(wayland));
    EXPECT_EQ(QFileInfo(wayland).path(), QStringLiteral("/run/user/1000"));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QString(300, u'w'));
    EXPECT_LT(LocalSingleInstance::socketPath(QStringLiteral("ZervaCNV"), env).size(), 100);

    // Without a runtime folder (or with a relative one): the temporary folder.
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QStringLiteral("run"));
    env.insert(QStringLiteral("TMPDIR"), QStringLiteral("/var/tmp"));
    EXPECT_EQ(QFileInfo(LocalSingleInstance::socketPath(QStringLiteral("ZervaCNV"), env)).path(),
              QStringLiteral("/var/tmp"));
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.remove(QStringLiteral("TMPDIR"));
    EXPECT_EQ(QFileInfo(LocalSingleInstance::socketPath(QStringLiteral("ZervaCNV"), env)).path(),
              QStringLiteral("/tmp"));
}

TEST(SingleInstance, SecondCopyRaisesTheFirstOnItsDisplayOnly) {
    QTemporaryDir runtime;
    ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", runtime.path());
    environment.unset("WAYLAND_DISPLAY");
    environment.set("DISPLAY", QStringLiteral(":0"));
    const QString name = QStringLiteral("test-%1").arg(QCoreApplication::applicationPid());
    LocalSingleInstance first(name);
    LocalSingleInstance second(name);
    environment.set("DISPLAY", QStringLiteral(":1"));
    LocalSingleInstance otherDisplay(name);
    EXPECT_EQ(QFileInfo(first.serverName()).path(), runtime.path());

    // A socket file left by a copy that crashed answers nobody and is taken over.
    {
        const QByteArray path = QFile::encodeName(first.serverName());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    }
    EXPECT_FALSE(first.raiseRunningCopy()); // nobody answers
    int raised = 0;
    ASSERT_TRUE(first.listen([&raised] { ++raised; }));
    EXPECT_TRUE(second.raiseRunningCopy());
    EXPECT_TRUE(zerva::test::waitUntil([&] { return raised == 1; }));

    // The same user's session on another display starts its own copy.
    EXPECT_FALSE(otherDisplay.raiseRunningCopy());
    int raisedThere = 0;
    EXPECT_TRUE(otherDisplay.listen([&raisedThere] { ++raisedThere; }));
    EXPECT_TRUE(second.raiseRunningCopy());
    EXPECT_TRUE(zerva::test::waitUntil([&] { return raised == 2; }));
    EXPECT_EQ(raisedThere, 0);
}

TEST(SingleInstance, SocketOfAnotherUserNeitherStopsAStartNorIsTakenOver) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to start a listener as another user";
    }
    // The shared temporary folder, as when no runtime folder is set.
    QTemporaryDir shared;
    ASSERT_EQ(::chmod(QFile::encodeName(shared.path()).constData(), 01777), 0);
    ScopedEnvironment environment;
    environment.unset("XDG_RUNTIME_DIR");
    environment.set("TMPDIR", shared.path());
    const QString name = QStringLiteral("squat-%1").arg(QCoreApplication::applicationPid());
    const QString path =
        LocalSingleInstance::socketPath(name, QProcessEnvironment::systemEnvironment());
    ASSERT_EQ(QFileInfo(path).path(), shared.path());

    {
        constexpr uid_t kNobody = 65534;
        ForeignListener squatter(path, kNobody);
        ASSERT_TRUE(squatter.listening());
        LocalSingleInstance copy(name);
        EXPECT_EQ(copy.serverName(), path);
        EXPECT_FALSE(copy.raiseRunningCopy()); // the program starts
        EXPECT_FALSE(copy.listen([] {}));      // and leaves the other user's socket alone
        EXPECT_EQ(ownerOf(path), kNobody);
    }
    ASSERT_TRUE(QFile::remove(path));

    // The same check believes a listener of this user.
    ForeignListener ours(path, ::geteuid());
    ASSERT_TRUE(ours.listening());
    LocalSingleInstance copy(name);
    EXPECT_TRUE(copy.raiseRunningCopy());
}
