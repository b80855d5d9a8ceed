#include "engine/replacing_conversion.h"

#include <algorithm>
#include <cerrno>

#include "platform/iconv_cache.h"
#include "platform/text_steps.h"

namespace engine {

ReplacedConversion convertReplacing(std::string_view data, std::string_view from,
                                    std::string_view to, ReplacingSide side, ByteSink& sink,
                                    bool omit, std::size_t unit) {
    const platform::IconvLease lease(to, from);
    if (!lease.valid())
        return {};
    ReplacedConversion result;
    const std::size_t roomSize =
        std::clamp<std::size_t>(data.size() + data.size() / 2, 64, 1 << 20);
    char* in = const_cast<char*>(data.data());
    std::size_t inLeft = data.size();
    // The internal text's "?" goes through iconv like the text around it, so that a target with
    // shift states gets it in the right state.
    char question = '?';
    for (bool flushing = false;;) {
        const std::span<char> room = sink.room(roomSize);
        char* out = room.data();
        std::size_t outLeft = room.size();
        std::size_t done;
        if (flushing) {
            done = iconv(lease.get(), nullptr, nullptr, &out, &outLeft);
        } else {
            done = iconv(lease.get(), &in, &inLeft, &out, &outLeft);
        }
        const int error = done == static_cast<std::size_t>(-1) ? errno : 0;
        if (!sink.wrote(room.size() - outLeft))
            return {false, result.replaced};
        if (error == E2BIG)
            continue;
        if (error == EILSEQ) {
            std::string swapped;
            if (const std::size_t length = privateUseAt({in, inLeft}, from, to, swapped);
                length > 0) {
                if (!sink.append(swapped))
                    return {false, result.replaced};
                in += length;
                inLeft -= length;
                continue;
            }
        }
        if (error == EILSEQ || error == EINVAL) {
            const std::size_t at = data.size() - inLeft;
            const std::size_t skip =
                side == ReplacingSide::Decode
                    ? std::min(std::max<std::size_t>(unit, 1), inLeft)
                    : platform::doubleByteLength(data, at, platform::DoubleByteRule::Gb18030);
            in += skip;
            inLeft -= skip;
            ++result.replaced;
            if (omit)
                continue;
            if (side == ReplacingSide::Decode) {
                if (!sink.append("?"))
                    return {false, result.replaced};
                continue;
            }
            char* questionIn = &question;
            std::size_t questionLeft = 1;
            const std::span<char> more = sink.room(64);
            char* questionOut = more.data();
            std::size_t questionRoom = more.size();
            (void)iconv(lease.get(), &questionIn, &questionLeft, &questionOut, &questionRoom);
            if (!sink.wrote(more.size() - questionRoom))
                return {false, result.replaced};
            continue;
        }
        if (error != 0)
            return {false, result.replaced};
        if (flushing)
            break;
        flushing = true; // the input is used up: back to the initial shift state
    }
    result.written = true;
    return result;
}

} // namespace engine
