#include "engine/charset_conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "engine/gb18030_private_use.h"
#include "engine/table_codecs.h"
#include "platform/iconv_cache.h"

namespace engine {

namespace {

constexpr std::size_t smallestPiece = 256;
constexpr std::size_t largestPiece = std::size_t{16} << 20;
// No character of the supported sets, nor a pending shift sequence, needs more room than this.
constexpr std::size_t roomForOneCharacter = 32;

std::size_t pieceSize(std::size_t wanted) {
    return std::clamp(wanted, smallestPiece, largestPiece);
}

} // namespace

ByteCollector::ByteCollector(std::size_t expectedSize) : nextCapacity(pieceSize(expectedSize)) {}

std::span<char> ByteCollector::room(std::size_t atLeast) {
    if (pieces.empty() || pieces.back().capacity - pieces.back().used < atLeast) {
        const std::size_t capacity = std::max(nextCapacity, atLeast);
        // Left uninitialised: a conversion that fails early never touches most of it.
        pieces.push_back({std::unique_ptr<char[]>(new char[capacity]), capacity, 0});
        nextCapacity = pieceSize(total);
    }
    Piece& piece = pieces.back();
    return {piece.bytes.get() + piece.used, piece.capacity - piece.used};
}

bool ByteCollector::wrote(std::size_t count) {
    pieces.back().used += count;
    total += count;
    return true;
}

bool ByteCollector::append(std::string_view bytes) {
    if (bytes.empty())
        return true;
    std::span<char> space = room(bytes.size());
    std::memcpy(space.data(), bytes.data(), bytes.size());
    return wrote(bytes.size());
}

bool ByteCollector::truncate(std::size_t length) {
    std::size_t kept = 0;
    std::size_t index = 0;
    for (; index < pieces.size() && kept + pieces[index].used <= length; ++index)
        kept += pieces[index].used;
    if (index < pieces.size()) {
        pieces[index].used = length - kept;
        kept = length;
        pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(index) + 1, pieces.end());
    }
    total = kept;
    return true;
}

int ByteCollector::firstByte() const {
    for (const Piece& piece : pieces)
        if (piece.used > 0)
            return static_cast<unsigned char>(piece.bytes[0]);
    return -1;
}

ByteBuffer ByteCollector::take(bool cutAtZero) {
    ByteBuffer result;
    result.reserve(total);
    for (Piece& piece : pieces) {
        std::string_view bytes(piece.bytes.get(), piece.used);
        const std::size_t zero = cutAtZero ? bytes.find('\0') : std::string_view::npos;
        result.append(bytes.substr(0, zero));
        piece.bytes.reset();
        if (zero != std::string_view::npos)
            break;
    }
    pieces.clear();
    total = 0;
    return result;
}

bool ByteCollector::pourInto(ByteSink& sink) {
    bool ok = true;
    for (Piece& piece : pieces) {
        ok = ok && sink.append({piece.bytes.get(), piece.used});
        piece.bytes.reset();
    }
    pieces.clear();
    total = 0;
    return ok;
}

void ReusedOutput::reset(std::size_t expectedSize) {
    used = 0;
    if (capacity < expectedSize)
        grow(expectedSize);
}

std::unique_ptr<ReusedOutput> SpareOutputs::take() {
    const std::lock_guard lock(mutex);
    if (outputs.empty())
        return std::make_unique<ReusedOutput>();
    std::unique_ptr<ReusedOutput> output = std::move(outputs.back());
    outputs.pop_back();
    return output;
}

void SpareOutputs::giveBack(std::unique_ptr<ReusedOutput> output) {
    const std::lock_guard lock(mutex);
    outputs.push_back(std::move(output));
}

std::span<char> ReusedOutput::room(std::size_t atLeast) {
    if (capacity - used < atLeast)
        grow(std::max(2 * capacity, used + atLeast));
    return {bytes.get() + used, capacity - used};
}

bool ReusedOutput::wrote(std::size_t count) {
    used += count;
    return true;
}

bool ReusedOutput::append(std::string_view data) {
    if (!data.empty())
        std::memcpy(room(data.size()).data(), data.data(), data.size());
    return wrote(data.size());
}

bool ReusedOutput::truncate(std::size_t length) {
    used = std::min(used, length);
    return true;
}

void ReusedOutput::grow(std::size_t wanted) {
    std::unique_ptr<char[]> larger(new char[wanted]);
    if (used > 0)
        std::memcpy(larger.get(), bytes.get(), used);
    bytes = std::move(larger);
    capacity = wanted;
}

std::span<char> CountingSink::room(std::size_t atLeast) {
    if (scratch.size() < atLeast)
        scratch.resize(atLeast);
    return {scratch.data(), scratch.size()};
}

bool CountingSink::wrote(std::size_t count) {
    received += count;
    return true;
}

bool CountingSink::append(std::string_view bytes) {
    received += bytes.size();
    return true;
}

bool CountingSink::truncate(std::size_t length) {
    received = std::min(received, length);
    return true;
}

std::uint64_t convertedSizeLimit(std::size_t inputLength) {
    const std::uint64_t length = inputLength;
    return length + 11 * (length / 2 + 128);
}

bool isInternalCharset(std::string_view charset) {
    return charset.size() == 7 && (charset[0] == 'G' || charset[0] == 'g') &&
           (charset[1] == 'B' || charset[1] == 'b') && charset.substr(2) == "18030";
}

bool swapsPrivateUse(std::string_view from, std::string_view to) {
    return isInternalCharset(from) != isInternalCharset(to);
}

std::size_t privateUseAt(std::string_view rest, std::string_view from, std::string_view to,
                         std::string& swapped) {
    if (isInternalCharset(to))
        return privateUseAsGb18030(rest, from, swapped);
    if (isInternalCharset(from))
        return privateUseFromGb18030(rest, to, swapped);
    return 0;
}

ConversionStatus convertCharsetInto(std::string_view data, std::string_view from,
                                    std::string_view to, ByteSink& sink) {
    return convertCharsetInto(data, from, to, sink, convertedSizeLimit(data.size()));
}

ConversionStatus convertCharsetInto(std::string_view data, std::string_view from,
                                    std::string_view to, ByteSink& sink, std::uint64_t limit) {
    // The sets the program converts most go through tables that give iconv's bytes faster. What
    // they refuse may be a Private Use character the internal text keeps under a code of its
    // own, which the way below takes.
    const std::size_t before = sink.size();
    if (const std::optional<ConversionStatus> status =
            convertByTable(data, from, to, sink, limit)) {
        if (*status != ConversionStatus::Invalid || !swapsPrivateUse(from, to))
            return *status;
        if (!sink.truncate(before))
            return ConversionStatus::SinkFailed;
    }
    const platform::IconvLease handle(to, from);
    if (!handle.valid())
        return ConversionStatus::UnknownPair;
    if (data.empty())
        return ConversionStatus::Ok;
    std::uint64_t produced = 0;
    char* in = const_cast<char*>(data.data());
    std::size_t inLeft = data.size();
    bool flushing = false; // all input taken; only a pending shift sequence may remain
    std::size_t atLeast = roomForOneCharacter;
    for (;;) {
        std::span<char> space = sink.room(atLeast);
        char* out = space.data();
        std::size_t outLeft = space.size();
        const std::size_t rc = flushing ? iconv(handle.get(), nullptr, nullptr, &out, &outLeft)
                                        : iconv(handle.get(), &in, &inLeft, &out, &outLeft);
        const int error = errno;
        const std::size_t count = space.size() - outLeft;
        produced += count;
        // Continuing where the converter stopped gives the bytes a restart with a larger buffer
        // would give; only the total decides whether the growth rule was exceeded.
        if (produced > limit)
            return ConversionStatus::OutputTooLarge;
        if (count > 0 && !sink.wrote(count))
            return ConversionStatus::SinkFailed;
        if (rc != static_cast<std::size_t>(-1)) {
            if (flushing)
                return ConversionStatus::Ok;
            flushing = true;
            continue;
        }
        if (error == EILSEQ) {
            std::string swapped;
            const std::size_t length = privateUseAt({in, inLeft}, from, to, swapped);
            if (length == 0)
                return ConversionStatus::Invalid;
            if ((produced += swapped.size()) > limit)
                return ConversionStatus::OutputTooLarge;
            if (!sink.append(swapped))
                return ConversionStatus::SinkFailed;
            in += length;
            inLeft -= length;
            continue;
        }
        if (error != E2BIG)
            return ConversionStatus::Invalid;
        if (count == 0) {
            if (atLeast >= 4096)
                return ConversionStatus::OutputTooLarge;
            atLeast *= 2;
        }
    }
}

ByteBuffer convertCharset(std::string_view data, std::string_view from, std::string_view to,
                          bool* ok) {
    ByteCollector collector(data.size());
    const ConversionStatus status = convertCharsetInto(data, from, to, collector);
    if (ok)
        *ok = status == ConversionStatus::Ok;
    return status == ConversionStatus::Ok ? collector.take() : ByteBuffer();
}

} // namespace engine
