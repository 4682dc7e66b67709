#include <alsa/asoundlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/qt/desktop.h"

namespace vos {

namespace {

constexpr unsigned kRate = 48000;
constexpr unsigned kLatencyUs = 100000;
constexpr std::int16_t kAmplitude = 8000;

// ALSA prints its own complaints (no card, no server) on stderr; a missing
// sound device is normal here and is not reported.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

}  // namespace

// A square wave on the "default" device. Opening does not wait for a busy
// device: without a device that opens at once, the call returns silently.
void beep(int frequencyHz, int durationMs) {
    if (frequencyHz <= 0 || durationMs <= 0) return;
    snd_lib_error_set_handler(quietAlsa);
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) return;
    if (snd_pcm_nonblock(pcm, 0) < 0 ||
        snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED, 1, kRate, 1,
                           kLatencyUs) < 0) {
        snd_pcm_close(pcm);
        return;
    }
    const std::size_t frames = static_cast<std::size_t>(kRate) * static_cast<unsigned>(durationMs) / 1000;
    const double halfPeriod = kRate / (2.0 * frequencyHz);
    std::vector<std::int16_t> samples(frames);
    for (std::size_t i = 0; i < frames; ++i)
        samples[i] = (static_cast<std::size_t>(i / halfPeriod) % 2 == 0) ? kAmplitude : -kAmplitude;
    std::size_t done = 0;
    while (done < frames) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, samples.data() + done, frames - done);
        if (n < 0) {
            if (snd_pcm_recover(pcm, static_cast<int>(n), 1) < 0) break;
            continue;
        }
        done += static_cast<std::size_t>(n);
    }
    snd_pcm_drain(pcm);
    snd_pcm_close(pcm);
}

}  // namespace vos
