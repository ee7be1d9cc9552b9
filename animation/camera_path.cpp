// Camera paths read from ASE shape exports, and the camera operations that follow them.
#include "animation/camera_path.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera.h"
#include "platform/fatal.h"
#include "platform/input_file.h"

// The path file is read as a token stream, not as ASE structure:
//
//   file    = prefix count-line record{count} anything
//   prefix  = every character up to and including the fourth '{'
//   count-line = word integer                    (the shape's vertex-count line)
//   record  = word integer float float float     (word and index are not looked at;
//                                                 x y z in the file's z-up frame)
//   word    = 1..99 characters without white space
//   integer = [+-]? digit+
//   float   = [+-]? (digit+ ('.' digit*)? | '.' digit+) ([eE] [+-]? digit+)?
//
// Any white space separates tokens; line breaks carry no meaning.

namespace {

constexpr std::size_t kMaxWord = 99;

[[noreturn]] void failPath(const char* path, const std::string& reason) {
    std::fprintf(stderr, "Unable to read camera path \"%s\": %s\n", path, reason.c_str());
    platform::fatalExit(1);
}

// A token as the error line shows it: escaped and cut (the file's bytes never reach the
// terminal raw).
std::string shown(const std::string& token) {
    return platform::printableToken(token);
}

class TokenReader {
  public:
    TokenReader(std::FILE* file, const char* path) : file_(file), path_(path) {}

    // Consumes characters up to and including the count-th '{'; false if the file ends first.
    bool skipBraces(int count) {
        int seen = 0;
        while (seen < count) {
            const int ch = get();
            if (ch == EOF)
                return false;
            if (ch == '{')
                ++seen;
        }
        return true;
    }

    // The next white-space separated token; false at the end of the file.
    bool next(std::string* token) {
        token->clear();
        int ch = get();
        while (ch != EOF && isSpace(ch))
            ch = get();
        while (ch != EOF && !isSpace(ch)) {
            if (token->size() == kMaxWord)
                failPath(path_, "a word is longer than 99 characters");
            token->push_back(static_cast<char>(ch));
            ch = get();
        }
        checkReadError();
        return !token->empty();
    }

    void checkReadError() const {
        if (std::ferror(file_))
            failPath(path_, std::string("read error: ") + std::strerror(errno));
    }

  private:
    // The next character; a file that keeps growing past the bound is refused.
    int get() {
        const int ch = std::getc(file_);
        if (ch != EOF && ++read_ > platform::kMaxPathBytes)
            failPath(path_, "longer than " + std::to_string(platform::kMaxPathBytes) + " bytes");
        return ch;
    }

    static bool isSpace(int ch) {
        return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
    }

    std::FILE* file_;
    const char* path_;
    std::size_t read_ = 0;
};

bool isDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Skips a run of digits from position i; returns how many there were.
std::size_t digitRun(const std::string& s, std::size_t* i) {
    const std::size_t start = *i;
    while (*i < s.size() && isDigit(s[*i]))
        ++*i;
    return *i - start;
}

bool isInteger(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    return digitRun(s, &i) > 0 && i == s.size();
}

bool isDecimalFloat(const std::string& s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t mantissa = digitRun(s, &i);
    if (i < s.size() && s[i] == '.') {
        ++i;
        mantissa += digitRun(s, &i);
    }
    if (mantissa == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        if (digitRun(s, &i) == 0)
            return false;
    }
    return i == s.size();
}

} // namespace

CameraPath::~CameraPath() {
    release();
}

void CameraPath::release() {
    delete[] knotX;
    delete[] knotY;
    delete[] knotZ;
    delete[] segmentLength;
    knotX = knotY = knotZ = segmentLength = nullptr;
    knotCount = 0;
    totalLength = 0.0f;
}

void CameraPath::load(const char* path) {
    // Closed on every way out, also when a refusal unwinds through a fatal handler that
    // throws instead of ending the process.
    std::string reason;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(
        platform::openInputFile(path, platform::kMaxPathBytes, &reason), &std::fclose);
    if (!file)
        failPath(path, reason);
    TokenReader reader(file.get(), path);

    if (!reader.skipBraces(4)) {
        reader.checkReadError();
        failPath(path, "fewer than four '{'");
    }

    std::string token;
    if (!reader.next(&token))
        failPath(path, "the file ends before the knot count");
    if (!reader.next(&token))
        failPath(path, "the file ends before the knot count");
    if (!isInteger(token))
        failPath(path, "the knot count '" + shown(token) + "' is not a decimal integer");
    errno = 0;
    const long count = std::strtol(token.c_str(), nullptr, 10);
    if (count < 1)
        failPath(path, "the knot count " + shown(token) + " is below 1");
    if (errno == ERANGE || count > 1000000000L)
        failPath(path, "the knot count " + shown(token) + " is out of range");

    // The records are gathered first, so a count larger than the file cannot make a huge
    // allocation before the shortage shows.
    std::vector<float> knots;
    for (long k = 0; k < count; ++k) {
        const std::string where = "knot " + std::to_string(k) + ": ";
        if (!reader.next(&token))
            failPath(path, "the knot count is " + std::to_string(count) + " but only " +
                               std::to_string(k) + " records are present");
        if (!reader.next(&token))
            failPath(path, where + "the file ends inside the record");
        if (!isInteger(token))
            failPath(path, where + "the index '" + shown(token) + "' is not a decimal integer");
        for (int axis = 0; axis < 3; ++axis) {
            if (!reader.next(&token))
                failPath(path, where + "the file ends inside the record");
            if (!isDecimalFloat(token))
                failPath(path, where + "'" + shown(token) + "' is not a number");
            knots.push_back(std::strtof(token.c_str(), nullptr));
        }
    }
    file.reset();

    release();
    knotCount = static_cast<int>(count);
    knotX = new float[knotCount];
    knotY = new float[knotCount];
    knotZ = new float[knotCount];
    segmentLength = new float[knotCount - 1];
    for (int i = 0; i < knotCount; ++i) {
        knotX[i] = knots[3 * i];
        knotY[i] = knots[3 * i + 2];
        knotZ[i] = -knots[3 * i + 1];
    }
    totalLength = 0.0f;
    for (int i = 0; i + 1 < knotCount; ++i) {
        const float dx = knotX[i] - knotX[i + 1];
        const float dy = knotY[i] - knotY[i + 1];
        const float dz = knotZ[i] - knotZ[i + 1];
        const float squared =
            static_cast<float>(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy +
                               static_cast<double>(dz) * dz);
        segmentLength[i] = std::sqrt(squared);
        totalLength += segmentLength[i];
    }
}

void CameraPath::sample(float t, bool byLength, float* x, float* y, float* z, int mode) const {
    const int n = knotCount;
    if (n < 1 || (mode != SplineMode::Cubic && mode != SplineMode::CatmullRom))
        return;

    // Segment search from the first knot: c is the parameter of knot i, d that of knot i - 1.
    // Spacing by length needs a length to divide by; a path of coincident knots has none and
    // stays on knot 0 like a path of one or two knots.
    const bool canStep = !byLength || (std::isfinite(totalLength) && totalLength > 0.0f);
    int i = 0;
    float c = 0.0f;
    float d = 0.0f;
    bool stepped = false;
    if (t > 0.0f && canStep) {
        while (i < n - 2) {
            d = c;
            const float step = byLength ? segmentLength[i] / totalLength : 1.0f / n;
            c = c + step;
            ++i;
            stepped = true;
            if (c >= t)
                break;
        }
    }

    // d < t whenever a step was taken, so u > 0; a zero-length last step gives +inf, then 1.
    float u = 0.0f;
    if (stepped) {
        u = (t - d) / (c - d);
        if (u > 1.0f)
            u = 1.0f;
    }

    auto clampKnot = [n](int k) { return k < 0 ? 0 : (k > n - 1 ? n - 1 : k); };
    const int k0 = clampKnot(i - 2), k1 = clampKnot(i - 1), k2 = clampKnot(i),
              k3 = clampKnot(i + 1);
    const float* axes[3] = {knotX, knotY, knotZ};
    float* targets[3] = {x, y, z};
    for (int a = 0; a < 3; ++a) {
        const float* p = axes[a];
        *targets[a] = mode == SplineMode::Cubic
                          ? cubicInterpolate(p[k0], p[k1], p[k2], p[k3], u)
                          : catmullRomInterpolate(p[k0], p[k1], p[k2], p[k3], u);
    }
}

void Camera::eyeFromPath(const CameraPath& path, float t, bool byLength, int mode) {
    if (t > 1.0f)
        t = 1.0f;
    path.sample(t, byLength, &eye[0], &eye[1], &eye[2], mode);
}

void Camera::centerFromPath(const CameraPath& path, float t, bool byLength, int mode) {
    if (t > 1.0f)
        t = 1.0f;
    path.sample(t, byLength, &center[0], &center[1], &center[2], mode);
}
