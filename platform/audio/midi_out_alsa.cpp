// MIDI through the ALSA sequencer: the first port that declares itself a synthesiser
// (a hardware synthesiser, or a soft synthesiser that runs) and accepts events.
#include <alsa/asoundlib.h>

#include "platform/audio/midi_stream.h"

namespace zorvel::audio {

namespace {

class AlsaSynthSink final : public MidiSink {
 public:
  AlsaSynthSink(snd_seq_t* seq, int port, snd_seq_addr_t dest, snd_midi_event_t* encoder)
      : seq_(seq), port_(port), dest_(dest), encoder_(encoder) {}

  ~AlsaSynthSink() override {
    snd_midi_event_free(encoder_);
    snd_seq_close(seq_);
  }

  void Send(std::uint32_t message) override {
    const std::uint8_t status = static_cast<std::uint8_t>(message);
    if (status < 0x80 || status >= 0xF0) return;
    const std::uint8_t bytes[3] = {status, static_cast<std::uint8_t>(message >> 8),
                                   static_cast<std::uint8_t>(message >> 16)};
    const long count = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 2 : 3;
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_midi_event_reset_encode(encoder_);
    if (snd_midi_event_encode(encoder_, bytes, count, &event) != count || event.type == SND_SEQ_EVENT_NONE) return;
    snd_seq_ev_set_source(&event, port_);
    snd_seq_ev_set_dest(&event, dest_.client, dest_.port);
    snd_seq_ev_set_direct(&event);
    snd_seq_event_output_direct(seq_, &event);
  }

  void Silence() override {
    for (std::uint32_t channel = 0; channel < 16; ++channel) {
      Send((0xB0 | channel) | 120 << 8);  // all sound off
      Send((0xB0 | channel) | 123 << 8);  // all notes off
      Send((0xB0 | channel) | 121 << 8);  // reset all controllers
    }
  }

 private:
  snd_seq_t* seq_;
  int port_;
  snd_seq_addr_t dest_;
  snd_midi_event_t* encoder_;
};

// The address of the first synthesiser port of another client that takes events.
bool FindSynthPort(snd_seq_t* seq, snd_seq_addr_t* found) {
  const int self = snd_seq_client_id(seq);
  snd_seq_client_info_t* client;
  snd_seq_port_info_t* port;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(seq, client) >= 0) {
    const int id = snd_seq_client_info_get_client(client);
    if (id == self) continue;
    snd_seq_port_info_set_client(port, id);
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(seq, port) >= 0) {
      const unsigned capability = snd_seq_port_info_get_capability(port);
      const unsigned type = snd_seq_port_info_get_type(port);
      if ((capability & SND_SEQ_PORT_CAP_WRITE) == 0 || (capability & SND_SEQ_PORT_CAP_NO_EXPORT) != 0) continue;
      if ((type & (SND_SEQ_PORT_TYPE_SYNTH | SND_SEQ_PORT_TYPE_SYNTHESIZER)) == 0) continue;
      *found = *snd_seq_port_info_get_addr(port);
      return true;
    }
  }
  return false;
}

}  // namespace

std::unique_ptr<MidiSink> OpenAlsaSynthSink() {
  snd_seq_t* seq = nullptr;
  if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_OUTPUT, 0) < 0) return nullptr;
  snd_seq_addr_t dest{};
  snd_midi_event_t* encoder = nullptr;
  int port = -1;
  if (FindSynthPort(seq, &dest) && snd_midi_event_new(16, &encoder) >= 0) {
    snd_seq_set_client_name(seq, "Zorvel");
    port = snd_seq_create_simple_port(seq, "Zorvel music", SND_SEQ_PORT_CAP_READ,
                                      SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (port >= 0) return std::make_unique<AlsaSynthSink>(seq, port, dest, encoder);
  }
  if (encoder) snd_midi_event_free(encoder);
  snd_seq_close(seq);
  return nullptr;
}

}  // namespace zorvel::audio
