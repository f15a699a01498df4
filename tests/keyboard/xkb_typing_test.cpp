// An installed layout typed for real: zerva-layout install into an X server of the test's own,
// every slot typed through XTest into a window of the test's own (with the Compose file the
// install wrote, as X programs read it), the group switched back with the switch keys; and the
// same layout through libxkbcommon's state, as Wayland sessions type it.
#include "keyboard/layout_file.h"
#include "keyboard/layout_install.h"
#include "keyboard/platform/xkb_layout_installer.h"
#include "keyboard/standard_layout.h"
#include "keyboard/xkb_export.h"

#include "tests/support/fake_messenger.h"
#include "tests/support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <clocale>
#include <memory>

#include <gtest/gtest.h>
#include <unistd.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

// Last: Xlib defines macros (Status, None, Bool) that would clash with the headers above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

using namespace zerva;
using keyboard::XkbKeyTexts;

namespace {

XkbKeyTexts standardTexts() {
    keyboard::LayoutModel model;
    test::FakeMessenger messenger;
    keyboard::readLayoutBytes(model, keyboard::standardLayoutImage(), messenger);
    return keyboard::xkbKeyTexts(model);
}

// An Xvfb of the test's own, so that changing its keymap disturbs nobody; the DISPLAY given
// to the tests when Xvfb is not installed. The connection stays open: a server left without
// clients resets its keymap.
class XServer {
public:
    ~XServer() {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            m_xvfb.waitForFinished(5000);
        }
    }

    bool start() {
        if (!QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) {
            for (int attempt = 0; attempt < 20 && m_display == nullptr; ++attempt) {
                const int n = 300 + (static_cast<int>(getpid()) + attempt * 37) % 600;
                if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n))) {
                    continue;
                }
                m_name = QStringLiteral(":%1").arg(n);
                m_xvfb.start(QStringLiteral("Xvfb"),
                             {m_name, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                              QStringLiteral("-screen"), QStringLiteral("0"),
                              QStringLiteral("640x480x24")});
                for (int wait = 0;
                     wait < 100 && m_display == nullptr && m_xvfb.state() != QProcess::NotRunning;
                     ++wait) {
                    QThread::msleep(50);
                    m_display = XOpenDisplay(m_name.toLocal8Bit().constData());
                }
                if (m_display == nullptr) {
                    m_xvfb.kill();
                    m_xvfb.waitForFinished(5000);
                }
            }
            return m_display != nullptr;
        }
        m_name = qEnvironmentVariable("DISPLAY");
        if (!m_name.isEmpty()) {
            m_display = XOpenDisplay(m_name.toLocal8Bit().constData());
        }
        return m_display != nullptr;
    }

    Display* display() const { return m_display; }
    const QString& name() const { return m_name; }

    int keycode(const char* keyName) const {
        XkbDescPtr desc = XkbGetMap(m_display, 0, XkbUseCoreKbd);
        int found = -1;
        if (desc != nullptr && XkbGetNames(m_display, XkbKeyNamesMask, desc) == Success) {
            for (int kc = desc->min_key_code; kc <= desc->max_key_code && found < 0; ++kc) {
                if (qstrncmp(desc->names->keys[kc].name, keyName, XkbKeyNameLength) == 0) {
                    found = kc;
                }
            }
        }
        if (desc != nullptr) {
            XkbFreeKeyboard(desc, 0, True);
        }
        return found;
    }

    int group() const {
        XkbStateRec state;
        XkbGetState(m_display, XkbUseCoreKbd, &state);
        return state.group;
    }

    void press(const std::vector<int>& keycodes) const {
        for (int kc : keycodes) {
            XTestFakeKeyEvent(m_display, static_cast<unsigned>(kc), True, 0);
        }
        for (auto it = keycodes.rbegin(); it != keycodes.rend(); ++it) {
            XTestFakeKeyEvent(m_display, static_cast<unsigned>(*it), False, 0);
        }
        XSync(m_display, False);
    }

private:
    QProcess m_xvfb;
    QString m_name;
    Display* m_display = nullptr;
};

// A window of the test's own that takes text as X programs do: through an input context of
// Xlib's own input method, which reads the user's Compose file.
class TypingWindow {
public:
    explicit TypingWindow(Display* d) : m_d(d) {
        m_oldLocale = std::setlocale(LC_CTYPE, nullptr);
        std::setlocale(LC_CTYPE, "C.UTF-8");
        XSetLocaleModifiers("@im=none");
        m_window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 200, 100, 0, 0, 0);
        XSelectInput(d, m_window, KeyPressMask | StructureNotifyMask);
        XMapWindow(d, m_window);
        for (XEvent e; XWindowEvent(d, m_window, StructureNotifyMask, &e), e.type != MapNotify;) {
        }
        XSetInputFocus(d, m_window, RevertToParent, CurrentTime);
        m_im = XOpenIM(d, nullptr, nullptr, nullptr);
        if (m_im != nullptr) {
            m_ic = XCreateIC(m_im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing,
                             XNClientWindow, m_window, XNFocusWindow, m_window, nullptr);
        }
        if (m_ic != nullptr) {
            XSetICFocus(m_ic);
        }
        XSync(d, False);
    }
    ~TypingWindow() {
        if (m_ic != nullptr) {
            XDestroyIC(m_ic);
        }
        if (m_im != nullptr) {
            XCloseIM(m_im);
        }
        XDestroyWindow(m_d, m_window);
        XSync(m_d, False);
        std::setlocale(LC_CTYPE, m_oldLocale.c_str());
    }

    bool ready() const { return m_ic != nullptr; }

    // The text that the window received since the last call.
    QString received() {
        QByteArray text;
        XSync(m_d, False);
        while (XPending(m_d) > 0) {
            XEvent e;
            XNextEvent(m_d, &e);
            if (XFilterEvent(&e, 0) || e.type != KeyPress) {
                continue;
            }
            char buffer[64];
            KeySym sym = 0;
            int status = 0;
            const int n = Xutf8LookupString(m_ic, &e.xkey, buffer, sizeof buffer, &sym, &status);
            if (n > 0 && (status == XLookupChars || status == XLookupBoth)) {
                text.append(buffer, n);
            }
        }
        return QString::fromUtf8(text);
    }

private:
    Display* m_d;
    Window m_window = 0;
    XIM m_im = nullptr;
    XIC m_ic = nullptr;
    std::string m_oldLocale;
};

// A home of the test's own for zerva-layout install: XKB folder, Compose file, settings and
// the system folder all inside it.
struct UserHome {
    QTemporaryDir dir;
    QString path(const char* rel) const { return dir.filePath(QLatin1String(rel)); }

    void setPersianLetters(bool on) const {
        test::writeFile(path(".config/Zerva/registry.reg"),
                        QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Zerva\\Zerva "
                                   "2001\\Keyboard]\n\"PersianLetters\"=\"") +
                            (on ? "1" : "0") + "\"\n");
    }

    struct Run {
        int exitCode = -1;
        QString err;
    };
    Run zervaLayout(const QStringList& args, const QString& display) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), path(".config"));
        env.insert(QStringLiteral("Windir"), path("windows"));
        env.remove(QStringLiteral("XCOMPOSEFILE"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (display.isEmpty()) {
            env.remove(QStringLiteral("DISPLAY"));
        } else {
            env.insert(QStringLiteral("DISPLAY"), display);
        }
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(test::binDir() + QStringLiteral("/zerva-layout"), args);
        Run r;
        if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit) {
            r.exitCode = p.exitCode();
        }
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
};

QString setxkbmapQuery(const QString& display) {
    QProcess p;
    p.start(QStringLiteral("setxkbmap"),
            {QStringLiteral("-display"), display, QStringLiteral("-query")});
    p.waitForFinished(15000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString queryField(const QString& query, const QString& field) {
    for (const QString& line : query.split(QLatin1Char('\n'))) {
        if (line.startsWith(field + QLatin1Char(':'))) {
            return line.mid(field.size() + 1).trimmed();
        }
    }
    return {};
}

bool haveXTools() {
    return !QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("xkbcomp")).isEmpty();
}

class XTestTyping : public testing::Test {
protected:
    void SetUp() override {
        if (!haveXTools()) {
            GTEST_SKIP() << "setxkbmap and xkbcomp (x11-xkb-utils) are not installed";
        }
        if (!m_server.start()) {
            GTEST_SKIP() << "no X server: neither Xvfb nor a DISPLAY to type into";
        }
        int event = 0;
        int error = 0;
        int major = 0;
        int minor = 0;
        if (!XTestQueryExtension(m_server.display(), &event, &error, &major, &minor)) {
            GTEST_SKIP() << "the X server has no XTest extension";
        }
        m_kbd = m_home.path("std.kbd");
        ASSERT_TRUE(test::writeFile(m_kbd, keyboard::standardLayoutImage()));
    }

    // Types every slot of the layout into a fresh window; the slots that typed something else
    // than expected, as "slot: got / expected".
    QStringList typeEverySlot(const XkbKeyTexts& expected) {
        qputenv("XCOMPOSEFILE", m_home.path(".XCompose").toLocal8Bit());
        TypingWindow window(m_server.display());
        qunsetenv("XCOMPOSEFILE");
        if (!window.ready()) {
            return {QStringLiteral("no input context (is the C.UTF-8 locale there?)")};
        }
        const int shift = m_server.keycode("LFSH");
        QStringList wrong;
        for (int slot = 0; slot < keyboard::kXkbSlotCount; ++slot) {
            const int key = slot % keyboard::kXkbKeyCount;
            const int kc = m_server.keycode(keyboard::xkbKeyName(key).toLatin1().constData());
            window.received();
            if (slot < keyboard::kXkbKeyCount) {
                m_server.press({kc});
            } else {
                m_server.press({shift, kc});
            }
            const QString got = window.received();
            if (got != expected[slot]) {
                wrong << QStringLiteral("%1: \"%2\" / \"%3\"").arg(slot).arg(got, expected[slot]);
            }
        }
        return wrong;
    }

    XServer m_server;
    UserHome m_home;
    QString m_kbd;
};

TEST_F(XTestTyping, InstalledLayoutTypesAllNinetySixSlotsAndSwitchesBack) {
    const XkbKeyTexts layout = standardTexts();
    m_home.setPersianLetters(false);
    const UserHome::Run run =
        m_home.zervaLayout({QStringLiteral("install"), m_kbd}, m_server.name());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const QString query = setxkbmapQuery(m_server.name());
    const QStringList layouts = queryField(query, QStringLiteral("layout")).split(QLatin1Char(','));
    ASSERT_TRUE(layouts.contains(keyboard::kXkbLayoutName)) << query.toStdString();
    const int ours = static_cast<int>(layouts.indexOf(keyboard::kXkbLayoutName));
    EXPECT_GT(ours, 0) << "the user's layouts come first";
    EXPECT_TRUE(
        queryField(query, QStringLiteral("options")).contains(keyboard::kDefaultGroupSwitch))
        << query.toStdString();
    EXPECT_EQ(m_server.group(), ours) << "the installed layout is the active group";

    const QStringList wrong = typeEverySlot(layout);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " of 96 slots typed wrong: "
                                 << wrong.join(QStringLiteral("; ")).toStdString();
    EXPECT_FALSE(layout[48 + 30].contains(QChar(0xFEFB)));

    // Alt+Shift goes back to the user's own layout, and again to ours.
    m_server.press({m_server.keycode("LALT"), m_server.keycode("LFSH")});
    EXPECT_EQ(m_server.group(), 0);
    {
        TypingWindow window(m_server.display());
        window.received();
        m_server.press({m_server.keycode("AC05")});
        EXPECT_EQ(window.received(), QStringLiteral("g"));
    }
    m_server.press({m_server.keycode("LALT"), m_server.keycode("LFSH")});
    EXPECT_EQ(m_server.group(), ours);
}

TEST_F(XTestTyping, PersianLettersSettingTypesYehKehehAndPersianDigits) {
    m_home.setPersianLetters(true);
    const UserHome::Run run =
        m_home.zervaLayout({QStringLiteral("install"), m_kbd}, m_server.name());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const XkbKeyTexts expected = keyboard::withPersianLetters(standardTexts());
    EXPECT_EQ(expected[28], QString(QChar(0x06CC)));
    const QStringList wrong = typeEverySlot(expected);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(QStringLiteral("; ")).toStdString();
    // The system's layout file keeps its code page 1256 bytes.
    EXPECT_EQ(test::readFile(m_home.path("windows/System/KBDA1.KBD")),
              keyboard::standardLayoutImage());
}

TEST_F(XTestTyping, TheUsersOwnGroupSwitchIsKept) {
    ASSERT_EQ(
        QProcess::execute(QStringLiteral("setxkbmap"),
                          {QStringLiteral("-display"), m_server.name(), QStringLiteral("-layout"),
                           QStringLiteral("us,de"), QStringLiteral("-option"),
                           QStringLiteral("grp:ctrl_shift_toggle")}),
        0);
    const UserHome::Run run =
        m_home.zervaLayout({QStringLiteral("install"), m_kbd}, m_server.name());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString query = setxkbmapQuery(m_server.name());
    EXPECT_EQ(queryField(query, QStringLiteral("layout")), QStringLiteral("us,de,zerva"));
    EXPECT_EQ(queryField(query, QStringLiteral("options")),
              QStringLiteral("grp:ctrl_shift_toggle"));
    EXPECT_EQ(m_server.group(), 2);
    m_server.press({m_server.keycode("LCTL"), m_server.keycode("LFSH")});
    EXPECT_EQ(m_server.group(), 0);
}

// Wayland compositors compile the layout from the user's files with libxkbcommon; its state
// gives the text of each key, the levels of several keysyms included.
TEST(LibxkbcommonTyping, InstalledFilesTypeAllNinetySixSlots) {
    UserHome home;
    const QString kbd = home.path("std.kbd");
    ASSERT_TRUE(test::writeFile(kbd, keyboard::standardLayoutImage()));
    home.setPersianLetters(false);
    const UserHome::Run run = home.zervaLayout({QStringLiteral("install"), kbd}, QString());
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(
        xkb_context_new(XKB_CONTEXT_NO_DEFAULT_INCLUDES), &xkb_context_unref);
    ASSERT_NE(context, nullptr);
    xkb_context_include_path_append(context.get(),
                                    home.path(".config/xkb").toLocal8Bit().constData());
    xkb_context_include_path_append_default(context.get());
    const xkb_rule_names names{"evdev", "pc105", "zerva", "", ""};
    std::unique_ptr<xkb_keymap, decltype(&xkb_keymap_unref)> keymap(
        xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
        &xkb_keymap_unref);
    ASSERT_NE(keymap, nullptr) << "the user's rules and symbols did not compile";
    EXPECT_STREQ(xkb_keymap_layout_get_name(keymap.get(), 0), "Persian (Zerva 2001)");
    std::unique_ptr<xkb_state, decltype(&xkb_state_unref)> state(xkb_state_new(keymap.get()),
                                                                 &xkb_state_unref);
    const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(keymap.get(), XKB_MOD_NAME_SHIFT);

    const XkbKeyTexts layout = standardTexts();
    QStringList wrong;
    for (int slot = 0; slot < keyboard::kXkbSlotCount; ++slot) {
        const int key = slot % keyboard::kXkbKeyCount;
        const xkb_keycode_t kc =
            xkb_keymap_key_by_name(keymap.get(), keyboard::xkbKeyName(key).toLatin1().constData());
        xkb_state_update_mask(state.get(), slot < keyboard::kXkbKeyCount ? 0 : shift, 0, 0, 0, 0,
                              0);
        char text[64] = {};
        xkb_state_key_get_utf8(state.get(), kc, text, sizeof text);
        if (QString::fromUtf8(text) != layout[slot]) {
            wrong << QStringLiteral("%1: \"%2\"").arg(slot).arg(QString::fromUtf8(text));
        }
    }
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " of 96 slots typed wrong: "
                                 << wrong.join(QStringLiteral("; ")).toStdString();

    // X programs built on libxkbcommon's Compose (Qt's, for one) turn each key's own keysym
    // into its two characters with the Compose file the install wrote.
    QFile composeFile(home.path(".XCompose"));
    ASSERT_TRUE(composeFile.open(QIODevice::ReadOnly));
    const QByteArray composeText = composeFile.readAll();
    std::unique_ptr<xkb_compose_table, decltype(&xkb_compose_table_unref)> table(
        xkb_compose_table_new_from_buffer(context.get(), composeText.constData(),
                                          static_cast<size_t>(composeText.size()), "C.UTF-8",
                                          XKB_COMPOSE_FORMAT_TEXT_V1, XKB_COMPOSE_COMPILE_NO_FLAGS),
        &xkb_compose_table_unref);
    ASSERT_NE(table, nullptr);
    for (const int slot : {48 + 2, 48 + 30}) {
        std::unique_ptr<xkb_compose_state, decltype(&xkb_compose_state_unref)> compose(
            xkb_compose_state_new(table.get(), XKB_COMPOSE_STATE_NO_FLAGS),
            &xkb_compose_state_unref);
        xkb_compose_state_feed(compose.get(), 0x01000000u + keyboard::xkbComposeKeysym(slot));
        char text[64] = {};
        xkb_compose_state_get_utf8(compose.get(), text, sizeof text);
        EXPECT_EQ(xkb_compose_state_get_status(compose.get()), XKB_COMPOSE_COMPOSED);
        EXPECT_EQ(QString::fromUtf8(text), layout[slot]) << "slot " << slot;
    }

    // Settings programs list layouts from libxkbcommon's registry, which reads evdev.xml.
    if (!QStandardPaths::findExecutable(QStringLiteral("xkbcli")).isEmpty()) {
        QProcess list;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path(".config"));
        list.setProcessEnvironment(env);
        list.start(QStringLiteral("xkbcli"), {QStringLiteral("list")});
        ASSERT_TRUE(list.waitForFinished(30000));
        const QString listed = QString::fromUtf8(list.readAllStandardOutput());
        EXPECT_TRUE(listed.contains(QStringLiteral("- layout: 'zerva'\n  variant: ''\n  brief: "
                                                   "'fa'\n  description: Persian (Zerva 2001)\n")));
    }
}

} // namespace
