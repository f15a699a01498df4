// Reads lines of UTF-8 text in reading order and writes each as a right-to-left display
// shows it, left to right, with mirrored characters mirrored: the forward Unicode
// bidirectional algorithm (ICU), paragraph level right to left. For bench/fidelity.
#include <unicode/ubidi.h>
#include <unicode/ustring.h>

#include <iostream>
#include <string>
#include <vector>

int main() {
    std::string line;
    UBiDi* bidi = ubidi_open();
    while (std::getline(std::cin, line)) {
        UErrorCode error = U_ZERO_ERROR;
        std::vector<UChar> text(line.size() + 1);
        int32_t length = 0;
        u_strFromUTF8(text.data(), static_cast<int32_t>(text.size()), &length, line.data(),
                      static_cast<int32_t>(line.size()), &error);
        ubidi_setPara(bidi, text.data(), length, UBIDI_RTL, nullptr, &error);
        std::vector<UChar> shown(static_cast<std::size_t>(length) + 1);
        const int32_t n = ubidi_writeReordered(bidi, shown.data(), length + 1,
                                               UBIDI_DO_MIRRORING, &error);
        std::string out(static_cast<std::size_t>(n) * 4 + 1, '\0');
        int32_t written = 0;
        u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &written, shown.data(), n,
                    &error);
        if (U_FAILURE(error)) {
            return 1;
        }
        out.resize(static_cast<std::size_t>(written));
        std::cout << out << '\n';
    }
    ubidi_close(bidi);
    return 0;
}
