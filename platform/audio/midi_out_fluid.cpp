// MIDI through an embedded FluidSynth: a General MIDI sound font from the system's
// sound-font folder, heard through FluidSynth's ALSA audio driver. One synthesiser
// serves every stream of the process and keeps its font once loaded; its audio driver
// opens when a piece starts and nothing else plays, and closes with the last stream, so
// that no idle synthesiser keeps the device open rendering silence.
#include <fluidsynth.h>

#include <filesystem>
#include <mutex>

#include "platform/audio/midi_stream.h"

namespace zorvel::audio {

namespace {

// Sound fonts looked for, in order: the system's chosen General MIDI font first.
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
};

// The synthesiser with its sound font: made once and kept, since loading the font is
// the slow part.
class FluidEngine {
 public:
  FluidEngine() {
    // FluidSynth reports to stderr; a missing audio device is an ordinary answer here.
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) fluid_set_log_function(level, nullptr, nullptr);
    settings_ = new_fluid_settings();
    if (settings_ == nullptr) return;
    fluid_settings_setstr(settings_, "audio.driver", "alsa");
    synth_ = new_fluid_synth(settings_);
  }
  FluidEngine(const FluidEngine&) = delete;
  FluidEngine& operator=(const FluidEngine&) = delete;
  ~FluidEngine() {
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
  }

  fluid_synth_t* synth() const { return synth_; }
  fluid_settings_t* settings() const { return settings_; }

  // Loads the first General MIDI font found, once; false when there is none.
  bool LoadFont() {
    if (fontLoaded_) return true;
    for (const char* path : kSoundFonts) {
      std::error_code error;
      if (std::filesystem::is_regular_file(path, error) && fluid_synth_sfload(synth_, path, 1) != FLUID_FAILED) {
        fontLoaded_ = true;
        break;
      }
    }
    return fontLoaded_;
  }

 private:
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  bool fontLoaded_ = false;
};

// The audio driver: the synthesiser heard on the device while any stream plays.
class FluidDriver {
 public:
  explicit FluidDriver(std::shared_ptr<FluidEngine> engine)
      : engine_(std::move(engine)), driver_(new_fluid_audio_driver(engine_->settings(), engine_->synth())) {}
  FluidDriver(const FluidDriver&) = delete;
  FluidDriver& operator=(const FluidDriver&) = delete;
  ~FluidDriver() {
    if (driver_) delete_fluid_audio_driver(driver_);
  }
  bool open() const { return driver_ != nullptr; }
  fluid_synth_t* synth() const { return engine_->synth(); }

 private:
  std::shared_ptr<FluidEngine> engine_;
  fluid_audio_driver_t* driver_;
};

class FluidSink final : public MidiSink {
 public:
  explicit FluidSink(std::shared_ptr<FluidDriver> driver) : driver_(std::move(driver)) {}

  void Send(std::uint32_t message) override {
    fluid_synth_t* synth = driver_->synth();
    const int status = message & 0xFF, channel = status & 0x0F;
    const int first = (message >> 8) & 0x7F, second = (message >> 16) & 0x7F;
    switch (status & 0xF0) {
      case 0x80: fluid_synth_noteoff(synth, channel, first); break;
      case 0x90: fluid_synth_noteon(synth, channel, first, second); break;  // velocity 0: note off
      case 0xA0: fluid_synth_key_pressure(synth, channel, first, second); break;
      case 0xB0: fluid_synth_cc(synth, channel, first, second); break;
      case 0xC0: fluid_synth_program_change(synth, channel, first); break;
      case 0xD0: fluid_synth_channel_pressure(synth, channel, first); break;
      case 0xE0: fluid_synth_pitch_bend(synth, channel, first | second << 7); break;
      default: break;
    }
  }

  void Silence() override {
    fluid_synth_t* synth = driver_->synth();
    fluid_synth_all_sounds_off(synth, -1);
    for (int channel = 0; channel < 16; ++channel) fluid_synth_cc(synth, channel, 121, 0);
  }

 private:
  std::shared_ptr<FluidDriver> driver_;
};

}  // namespace

std::unique_ptr<MidiSink> OpenFluidSynthSink() {
  static std::mutex mutex;
  static std::shared_ptr<FluidEngine> engine;
  static std::weak_ptr<FluidDriver> shared;
  std::lock_guard lock(mutex);
  std::shared_ptr<FluidDriver> driver = shared.lock();
  if (!driver) {
    if (!engine) engine = std::make_shared<FluidEngine>();
    if (engine->synth() == nullptr) return nullptr;
    // The device first: without one, the sound font is not worth loading.
    driver = std::make_shared<FluidDriver>(engine);
    if (!driver->open() || !engine->LoadFont()) return nullptr;
    shared = driver;
  }
  return std::make_unique<FluidSink>(std::move(driver));
}

}  // namespace zorvel::audio
