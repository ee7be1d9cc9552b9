// The two-pass OBJ reader and the shared reader object.
#include "assets/mesh.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/fatal.h"
#include "platform/input_file.h"
#include "platform/prefetch.h"

namespace {

enum class LineKind { normal, texCoord, position, face, other };

// Tested in this order, so "vn" and "vt" win over "v", and any other line starting with "v"
// (such as "vp") counts as a position.
LineKind classify(std::string_view line) {
    // Lines are views into the file's bytes, each followed by its '\n' or by the string's
    // terminating NUL, so line[1] can be read on a line of one character.
    const char* text = line.data();
    if (text[0] == 'v') {
        if (text[1] == 'n')
            return LineKind::normal;
        if (text[1] == 't')
            return LineKind::texCoord;
        return LineKind::position;
    }
    return text[0] == 'f' ? LineKind::face : LineKind::other;
}

// isspace in the "C" locale, without a library call per character.
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The lines of a file's bytes as views into them, without their '\n', split as std::getline
// splits: a last line without a newline counts, nothing after a final newline does.
class Lines {
  public:
    explicit Lines(const std::string& bytes) : bytes_(bytes) {}

    bool next(std::string_view* line) {
        if (pos_ >= bytes_.size())
            return false;
        std::size_t end = bytes_.find('\n', pos_);
        if (end == std::string::npos)
            end = bytes_.size();
        *line = std::string_view(bytes_.data() + pos_, end - pos_);
        pos_ = end + 1;
        return true;
    }

  private:
    const std::string& bytes_;
    std::size_t pos_ = 0;
};

// The white-space separated tokens of one line, read on demand; a token past the end of the
// line is empty. Views point into the file's bytes, where the line's '\n', the string's
// terminating NUL or the white space after a token stops the C number parsers.
class Tokens {
  public:
    explicit Tokens(std::string_view line) : line_(line) {}

    std::string_view next() {
        while (pos_ < line_.size() && isSpace(line_[pos_]))
            ++pos_;
        const std::size_t start = pos_;
        while (pos_ < line_.size() && !isSpace(line_[pos_]))
            ++pos_;
        return std::string_view(line_.data() + start, pos_ - start);
    }

  private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

// Exact powers of ten as doubles (10^22 is the largest that is).
const double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The common case of a decimal without exponent, [+-]digits[.digits], whose digits fit in 2^53
// and whose fraction has at most 22 digits. Both the digits as an integer and the power of
// ten are then exact doubles, so their quotient is the correctly rounded value that strtod
// returns. False for anything else, which strtod then reads.
bool parsePlainDecimal(std::string_view token, double* value) {
    std::size_t i = 0;
    const bool negative = !token.empty() && token[0] == '-';
    if (!token.empty() && (token[0] == '-' || token[0] == '+'))
        ++i;
    std::uint64_t digits = 0;
    int digitCount = 0, fractionDigits = 0;
    bool point = false;
    for (; i < token.size(); ++i) {
        const char c = token[i];
        if (isDigit(c)) {
            if (++digitCount > 18)
                return false;
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
            fractionDigits += point;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (digitCount == 0 || digits > (std::uint64_t(1) << 53) || fractionDigits > 22)
        return false;
    const double magnitude = static_cast<double>(digits) / kPowersOfTen[fractionDigits];
    *value = negative ? -magnitude : magnitude;
    return true;
}

// atof, with values beyond float range becoming infinities instead of overflowing the cast.
float toFloat(std::string_view token) {
    double value = 0.0;
    if (!parsePlainDecimal(token, &value))
        value = std::strtod(token.data(), nullptr);
    if (value > FLT_MAX)
        return HUGE_VALF;
    if (value < -FLT_MAX)
        return -HUGE_VALF;
    return static_cast<float>(value);
}

// atoi of a part of a vertex reference, saturating instead of overflowing. Up to nine plain
// digits followed by anything but a digit are read here; strtol reads everything else.
long toIndex(const char* text) {
    long value = 0;
    int n = 0;
    for (; n < 9 && isDigit(text[n]); ++n)
        value = value * 10 + (text[n] - '0');
    if (n > 0 && !isDigit(text[n]))
        return value;
    return std::strtol(text, nullptr, 10);
}

// A missing file gets the plain line; anything else that keeps the file from being read
// (a directory, a FIFO, a device, a file past the size bound) says what it is.
std::string openFailure(const std::string& path, const std::string& reason) {
    std::string line = "Unable to open obj-file \"" + path + '"';
    if (reason != "not found")
        line += ": " + reason;
    return line + ".\n";
}

// The whole file into *bytes, read through the regular-file gate; the error line on failure.
std::string readWhole(const std::string& path, std::string* bytes) {
    std::string reason;
    std::FILE* file = platform::openInputFile(path.c_str(), platform::kMaxObjBytes, &reason);
    if (!file)
        return openFailure(path, reason);
    bytes->clear();
    const bool read = platform::readInputFile(file, platform::kMaxObjBytes, bytes, &reason);
    std::fclose(file);
    return read ? std::string() : openFailure(path, reason);
}

std::string lineFailure(const std::string& path, long lineNumber, const std::string& reason) {
    return "Invalid obj-file \"" + path + "\", line " + std::to_string(lineNumber) + ": " + reason +
           '\n';
}

// The counts of the first pass, which bound every index of the second.
struct Counts {
    int32_t vertices, normals, texCoords;
};

// Parses one p/t/n reference into corner k of `face`; returns an empty string, or the reason
// the reference is refused.
std::string readReference(std::string_view token, const Counts& counts, Face& face, int k) {
    const std::size_t first = token.find('/');
    const std::size_t second = first == std::string_view::npos ? first : token.find('/', first + 1);
    if (first == 0 || second == std::string_view::npos || second == first + 1 ||
        second + 1 == token.size() || token.find('/', second + 1) != std::string_view::npos)
        return "vertex reference \"" + platform::printableToken(token) +
               "\" is not in the form p/t/n";

    struct Part {
        const char* text;
        int32_t count;
        const char* kind;
        int32_t* out;
    };
    const Part parts[3] = {
        {token.data(), counts.vertices, "position", &face.vertex[k]},
        {token.data() + first + 1, counts.texCoords, "texture coordinate", &face.texCoord[k]},
        {token.data() + second + 1, counts.normals, "normal", &face.normal[k]},
    };
    for (const Part& part : parts) {
        const long index = toIndex(part.text);
        if (index < 1 || index > part.count)
            return std::string(part.kind) + " index " + std::to_string(index) + " in \"" +
                   platform::printableToken(token) + "\" is out of range (the file has " +
                   std::to_string(part.count) + " " + part.kind + (part.count == 1 ? "" : "s") +
                   ")";
        *part.out = static_cast<int32_t>(index - 1);
    }
    return std::string();
}

} // namespace

ObjReader::~ObjReader() {
    clear();
}

void ObjReader::clear() {
    delete path;
    path = nullptr;
    delete mesh;
    mesh = nullptr;
}

namespace {

std::string parseInto(const std::string& path, Mesh& m);

// An OBJ file read on the prefetch thread, waiting for its ObjReader::read.
struct PrefetchedObj {
    Mesh* mesh = nullptr;
    std::string failure; // the error line, empty when the file was read
    ~PrefetchedObj() { delete mesh; }
};

std::string prefetchKey(const std::string& path) {
    return "obj:" + path;
}

} // namespace

void prefetchObj(const char* path) {
    const std::string file(path);
    platform::queuePrefetch(prefetchKey(file), [file] {
        auto read = std::make_shared<PrefetchedObj>();
        read->mesh = new Mesh();
        read->failure = parseInto(file, *read->mesh);
        return platform::PrefetchResult(read);
    });
}

void ObjReader::read(std::string path) {
    clear();
    this->path = new std::string(std::move(path));
    platform::PrefetchResult prefetched;
    if (platform::takePrefetched(prefetchKey(*this->path), &prefetched)) {
        PrefetchedObj& read = *static_cast<PrefetchedObj*>(prefetched.get());
        std::swap(mesh, read.mesh);
        if (!read.failure.empty()) {
            std::cerr << read.failure;
            platform::fatalExit(1);
        }
        return;
    }
    mesh = new Mesh();
    parse();
}

Mesh ObjReader::getMesh() const {
    return mesh ? Mesh(*mesh) : Mesh();
}

namespace {

// The two passes over the file at `path` into `m`, which starts empty; the error line, or an
// empty string when the file was read.
std::string parseInto(const std::string& path, Mesh& m) {
    std::string bytes;
    std::string failure = readWhole(path, &bytes);
    if (!failure.empty())
        return failure;

    // Pass 1: count the lines of each kind and size the arrays exactly.
    std::string_view line;
    for (Lines lines(bytes); lines.next(&line);) {
        switch (classify(line)) {
        case LineKind::normal:
            ++m.normalCount;
            break;
        case LineKind::texCoord:
            ++m.texCoordCount;
            break;
        case LineKind::position:
            ++m.vertexCount;
            break;
        case LineKind::face:
            ++m.faceCount;
            break;
        case LineKind::other:
            break;
        }
    }
    m.normals = m.normalCount ? new float[std::size_t(m.normalCount) * 3]() : nullptr;
    m.texCoords = m.texCoordCount ? new float[std::size_t(m.texCoordCount) * 2]() : nullptr;
    m.faces = m.faceCount ? new Face[m.faceCount]() : nullptr;
    m.vertices = m.vertexCount ? new float[std::size_t(m.vertexCount) * 3]() : nullptr;

    // Rewind by reading the file again.
    failure = readWhole(path, &bytes);
    if (!failure.empty())
        return failure;

    // Pass 2: fill. The write positions are checked against the counts so that a file changed
    // between the passes cannot write past an array.
    const Counts counts{m.vertexCount, m.normalCount, m.texCoordCount};
    int32_t nextVertex = 0, nextNormal = 0, nextTexCoord = 0, nextFace = 0;
    long lineNumber = 0;
    const char* const changed = "the file changed while it was being read";
    for (Lines lines(bytes); lines.next(&line);) {
        ++lineNumber;
        const LineKind kind = classify(line);
        if (kind == LineKind::other)
            continue;
        Tokens tokens(line);
        tokens.next(); // the keyword
        switch (kind) {
        case LineKind::normal: {
            if (nextNormal == m.normalCount)
                return lineFailure(path, lineNumber, changed);
            float* n = m.normals + 3 * nextNormal++;
            for (int i = 0; i < 3; ++i)
                n[i] = toFloat(tokens.next());
            break;
        }
        case LineKind::texCoord: {
            if (nextTexCoord == m.texCoordCount)
                return lineFailure(path, lineNumber, changed);
            float* t = m.texCoords + 2 * nextTexCoord++;
            t[0] = toFloat(tokens.next());
            t[1] = -toFloat(tokens.next());
            break;
        }
        case LineKind::position: {
            if (nextVertex == m.vertexCount)
                return lineFailure(path, lineNumber, changed);
            float* v = m.vertices + 3 * nextVertex++;
            for (int i = 0; i < 3; ++i)
                v[i] = toFloat(tokens.next());
            break;
        }
        case LineKind::face: {
            if (nextFace == m.faceCount)
                return lineFailure(path, lineNumber, changed);
            Face& face = m.faces[nextFace++];
            // Only the first three references are read: a polygon keeps its first triangle.
            for (int k = 0; k < 3; ++k) {
                const std::string_view token = tokens.next();
                if (token.empty())
                    return lineFailure(path, lineNumber, "a face needs three vertex references");
                const std::string reason = readReference(token, counts, face, k);
                if (!reason.empty())
                    return lineFailure(path, lineNumber, reason);
            }
            break;
        }
        case LineKind::other:
            break;
        }
    }
    if (nextVertex != m.vertexCount || nextNormal != m.normalCount ||
        nextTexCoord != m.texCoordCount || nextFace != m.faceCount)
        return lineFailure(path, lineNumber, changed);
    return std::string();
}

} // namespace

void ObjReader::parse() {
    const std::string failure = parseInto(*path, *mesh);
    if (!failure.empty()) {
        std::cerr << failure;
        platform::fatalExit(1);
    }
}
