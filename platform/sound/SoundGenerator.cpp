// quillo-make-sounds DIR NAME...
// Synthesises the expansion sounds and writes each as DIR/NAME.wav (16-bit
// PCM, mono, 44100 Hz). The sounds are made here rather than kept as binary
// files so that the repository holds only their recipe. The output is the
// same on every run: the noise comes from a fixed-seed generator.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr int kBitsPerSample = 16;
constexpr int kChannels = 1;
// Loudest sample of every sound, as a fraction of full scale: the sounds
// come out equally loud, with headroom left.
constexpr double kPeakLevel = 0.7;
constexpr double kFullScale = 32767.0;
// Fades at both ends so no sound starts or stops with a click; the fade-in
// is kept short to leave the strikes their edge.
constexpr double kFadeInSeconds = 0.0003;
constexpr double kFadeOutSeconds = 0.002;
constexpr double kTwoPi = 2.0 * std::numbers::pi;

using Samples = std::vector<double>;

// Deterministic white noise in [-1, 1] (xorshift32); `state` must not be 0.
double NextNoise(uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state / 2147483647.5 - 1.0;
}

size_t Index(double seconds)
{
    return static_cast<size_t>(std::lround(seconds * kSampleRate));
}

Samples Silence(double seconds)
{
    return Samples(Index(seconds), 0.0);
}

// Rises linearly over `attack`, then falls exponentially with time constant
// `decay`: the shape of anything struck or plucked.
double Strike(double t, double attack, double decay)
{
    if (t < 0)
        return 0;
    const double rise = attack > 0 ? std::min(1.0, t / attack) : 1.0;
    return rise * std::exp(-t / decay);
}

// A sine partial starting at `start`.
void AddPartial(Samples& out, double start, double freq, double amp, double attack, double decay)
{
    for (size_t i = Index(start); i < out.size(); ++i) {
        const double t = double(i) / kSampleRate - start;
        out[i] += amp * Strike(t, attack, decay) * std::sin(kTwoPi * freq * t);
    }
}

// A note: a fundamental with a few softer harmonics.
void AddNote(Samples& out, double start, double freq, double amp, double attack, double decay,
             const std::vector<double>& harmonics)
{
    AddPartial(out, start, freq, amp, attack, decay);
    for (size_t h = 0; h < harmonics.size(); ++h)
        AddPartial(out, start, freq * double(h + 2), amp * harmonics[h], attack, decay * 0.6);
}

// A burst of noise. `smoothing` (0..1) is a one-pole low-pass coefficient:
// 0 keeps the noise bright, values near 1 make it dull; `highPass` removes
// the low end by subtracting the smoothed signal instead.
void AddNoiseBurst(Samples& out, double start, double amp, double attack, double decay,
                   double smoothing, bool highPass, uint32_t seed)
{
    uint32_t state = seed ? seed : 1;
    double low = 0;
    const size_t end = std::min(out.size(), Index(start + decay * 8));
    for (size_t i = Index(start); i < end; ++i) {
        const double t = double(i) / kSampleRate - start;
        const double white = NextNoise(state);
        low = smoothing * low + (1 - smoothing) * white;
        const double shaped = highPass ? white - low : low;
        out[i] += amp * Strike(t, attack, decay) * shaped;
    }
}

// A tone gliding exponentially from f0 to f1 over `length` seconds, with a
// smooth rise and fall.
void AddSweep(Samples& out, double start, double length, double f0, double f1, double amp,
              double attack, double release, double secondHarmonic)
{
    double phase = 0;
    const size_t end = std::min(out.size(), Index(start + length));
    for (size_t i = Index(start); i < end; ++i) {
        const double t = double(i) / kSampleRate - start;
        const double freq = f0 * std::pow(f1 / f0, t / length);
        phase += kTwoPi * freq / kSampleRate;
        const double rise = std::min(1.0, t / attack);
        const double fall = std::min(1.0, (length - t) / release);
        const double envelope = rise * fall * fall;
        out[i] += amp * envelope * (std::sin(phase) + secondHarmonic * std::sin(2 * phase));
    }
}

// A typewriter key: a dull thud with a bright strike, then the softer
// knock of the key bottoming out.
Samples MakeType()
{
    Samples s = Silence(0.12);
    AddNoiseBurst(s, 0.0, 1.0, 0.0005, 0.010, 0.35, true, 0x1234u);
    AddPartial(s, 0.0, 190, 0.6, 0.001, 0.020);
    AddPartial(s, 0.0, 1250, 0.3, 0.0005, 0.008);
    AddNoiseBurst(s, 0.045, 0.35, 0.0005, 0.007, 0.6, false, 0x5678u);
    AddPartial(s, 0.045, 140, 0.25, 0.001, 0.015);
    return s;
}

// A short, crisp, high click with a faint ring of the body it came from.
Samples MakeClick()
{
    Samples s = Silence(0.10);
    AddNoiseBurst(s, 0.0, 0.5, 0.0002, 0.003, 0.2, true, 0x9abcu);
    AddPartial(s, 0.0, 3200, 1.0, 0.0003, 0.006);
    AddPartial(s, 0.0, 5100, 0.4, 0.0003, 0.004);
    AddPartial(s, 0.0, 1850, 0.3, 0.001, 0.025);
    return s;
}

// A pop followed by a rising, airy glide.
Samples MakeBalloon()
{
    Samples s = Silence(0.38);
    AddNoiseBurst(s, 0.0, 1.0, 0.0003, 0.006, 0.5, false, 0xdef0u);
    AddPartial(s, 0.0, 260, 0.4, 0.0005, 0.012);
    AddSweep(s, 0.02, 0.34, 330, 990, 0.6, 0.015, 0.12, 0.2);
    return s;
}

// Two wooden knocks, the second higher: "ka-ta".
Samples MakeKata()
{
    Samples s = Silence(0.22);
    for (const auto& [start, base, seed] :
         {std::tuple{0.0, 620.0, 0x1111u}, std::tuple{0.10, 880.0, 0x2222u}}) {
        AddPartial(s, start, base, 1.0, 0.0005, 0.030);
        AddPartial(s, start, base * 2.76, 0.5, 0.0005, 0.018);
        AddPartial(s, start, base * 4.67, 0.25, 0.0005, 0.010);
        AddNoiseBurst(s, start, 0.2, 0.0002, 0.002, 0.3, true, seed);
    }
    return s;
}

// A small bell struck once: a high note with inharmonic overtones that die
// away faster than the note itself.
Samples MakePlink()
{
    Samples s = Silence(0.40);
    AddPartial(s, 0.0, 1568, 1.0, 0.001, 0.12);
    AddPartial(s, 0.0, 1568 * 2.76, 0.4, 0.001, 0.05);
    AddPartial(s, 0.0, 1568 * 5.40, 0.2, 0.001, 0.025);
    return s;
}

// Two soft notes rising a fourth: "ta-di".
Samples MakeTadi()
{
    Samples s = Silence(0.34);
    Samples first = Silence(0.13);  // cut off where the second note begins
    AddNote(first, 0.0, 659.26, 1.0, 0.005, 0.08, {0.3, 0.12});
    const size_t fade = Index(kFadeOutSeconds * 4);
    for (size_t i = 0; i < fade; ++i)
        first[first.size() - 1 - i] *= double(i) / fade;
    std::copy(first.begin(), first.end(), s.begin());
    AddNote(s, 0.13, 880.0, 1.0, 0.005, 0.12, {0.3, 0.12});
    return s;
}

// Fades both ends, then scales to the common peak level.
void Finish(Samples& s)
{
    const size_t fadeIn = std::min(s.size() / 2, Index(kFadeInSeconds));
    const size_t fadeOut = std::min(s.size() / 2, Index(kFadeOutSeconds));
    for (size_t i = 0; i < fadeIn; ++i)
        s[i] *= double(i) / fadeIn;
    for (size_t i = 0; i < fadeOut; ++i)
        s[s.size() - 1 - i] *= double(i) / fadeOut;

    double peak = 0;
    for (double v : s)
        peak = std::max(peak, std::abs(v));
    const double gain = peak > 0 ? kPeakLevel / peak : 0;
    for (double& v : s)
        v *= gain;
}

void PutLe(std::string& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(char((value >> (8 * i)) & 0xFF));
}

std::string WavBytes(const Samples& s)
{
    const uint32_t blockAlign = kChannels * kBitsPerSample / 8;
    const uint32_t dataSize = uint32_t(s.size()) * blockAlign;
    std::string out;
    out += "RIFF";
    PutLe(out, 36 + dataSize, 4);
    out += "WAVEfmt ";
    PutLe(out, 16, 4);
    PutLe(out, 1, 2);  // PCM
    PutLe(out, kChannels, 2);
    PutLe(out, kSampleRate, 4);
    PutLe(out, kSampleRate * blockAlign, 4);
    PutLe(out, blockAlign, 2);
    PutLe(out, kBitsPerSample, 2);
    out += "data";
    PutLe(out, dataSize, 4);
    for (double v : s) {
        const long q = std::lround(std::clamp(v, -1.0, 1.0) * kFullScale);
        PutLe(out, uint32_t(int16_t(q)) & 0xFFFF, 2);
    }
    return out;
}

// Written beside the target and renamed over it, so an interrupted build
// never leaves a half-written sound behind.
bool WriteFile(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::path temp = path;
    temp += ".part";
    {
        std::ofstream file(temp, std::ios::binary | std::ios::trunc);
        if (!file.write(bytes.data(), std::streamsize(bytes.size())) || !file.flush())
            return false;
    }
    std::error_code error;
    std::filesystem::rename(temp, path, error);
    return !error;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::map<std::string, std::function<Samples()>> recipes = {
        {"type", MakeType},   {"balloon", MakeBalloon}, {"click", MakeClick},
        {"kata", MakeKata},   {"plink", MakePlink},     {"tadi", MakeTadi},
    };
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DIR NAME...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "cannot create %s: %s\n", dir.string().c_str(), error.message().c_str());
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        const auto recipe = recipes.find(argv[i]);
        if (recipe == recipes.end()) {
            std::fprintf(stderr, "no recipe for a sound named '%s'\n", argv[i]);
            return 1;
        }
        Samples samples = recipe->second();
        Finish(samples);
        const std::filesystem::path path = dir / (recipe->first + ".wav");
        if (!WriteFile(path, WavBytes(samples))) {
            std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
            return 1;
        }
    }
    return 0;
}
