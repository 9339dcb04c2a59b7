// A Windows build has no built-in synth yet (FluidSynth is not cross-built), so no audio export:
// every attempt says so and writes nothing.
#include "platform/SynthFileRenderer.h"

namespace tarvel {

std::unique_ptr<SynthFileRenderer> SynthFileRenderer::Create(const std::string&,
                                                             const AudioFileFormat&,
                                                             const std::string&,
                                                             std::string& whyNot) {
    whyNot = "audio export needs the built-in synth, which the Windows build does not have yet";
    return nullptr;
}

SynthFileRenderer::~SynthFileRenderer() = default;

void SynthFileRenderer::Send(const std::uint8_t*, int) noexcept {}

bool SynthFileRenderer::RenderBlock() noexcept {
    return false;
}

void SynthFileRenderer::Close() noexcept {}

}  // namespace tarvel
