#include "vsthost/editor_session.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "gui/png_writer.h"
#include "vsthost/audio_feeder.h"
#include "vsthost/editor_frame.h"
#include "vsthost/host_context.h"
#include "vsthost/hosted_effect.h"
#include "vsthost/os.h"

namespace qv::vsthost {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kIdlePeriod = std::chrono::milliseconds(10);
// A screenshot is taken after this much pumping, so the editor has drawn a few times.
constexpr double kScreenshotSettleSeconds = 0.25;

// The frame follows the plug-in's size requests. They come on the GUI thread; one from another
// thread is applied by the next pump.
class FrameResizer {
public:
    explicit FrameResizer(EditorFrame& f) : frame(f), gui(std::this_thread::get_id()) {}
    bool request(int width, int height) {
        if (std::this_thread::get_id() == gui) {
            frame.resizeClient(width, height);
        } else {
            pending.store(static_cast<long long>(width) << 32 | static_cast<unsigned>(height));
        }
        requests.fetch_add(1);
        return true;
    }
    void applyPending() {
        const long long size = pending.exchange(0);
        if (size) frame.resizeClient(static_cast<int>(size >> 32), static_cast<int>(size & 0xFFFFFFFF));
    }
    int count() const { return requests.load(); }

private:
    EditorFrame& frame;
    std::thread::id gui;
    std::atomic<long long> pending{0};
    std::atomic<int> requests{0};
};

struct Pumper {
    HostedEffect& effect;
    EditorFrame& frame;
    FrameResizer& resizer;
    long long idleCalls = 0;

    // One round: frame events, a pending resize, the editor's idle. False once the frame closed.
    bool round() {
        const bool alive = frame.pump();
        resizer.applyPending();
        effect.dispatch(vst::effEditIdle);
        ++idleCalls;
        return alive;
    }
    // Rounds for seconds (at least one); below 0 until the frame is closed.
    bool run(double seconds) {
        const auto end = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
        for (;;) {
            if (!round()) return false;
            if (seconds >= 0.0 && Clock::now() >= end) return true;
            std::this_thread::sleep_for(kIdlePeriod);
        }
    }
};

}  // namespace

int runEditorSession(HostedEffect& effect, const AudioBuffer& input, const EditorSessionSettings& settings,
                     std::ostream& report, std::ostream& err) {
    if (!(effect.flags() & vst::effFlagsHasEditor)) {
        err << "qvhost: the plug-in has no editor\n";
        return 1;
    }
    const auto rect = effect.editorRect();
    if (!rect || rect->right - rect->left < 1 || rect->bottom - rect->top < 1) {
        err << "qvhost: the plug-in gives no editor size\n";
        return 1;
    }
    const int width = rect->right - rect->left, height = rect->bottom - rect->top;
    std::string error;
    std::unique_ptr<EditorFrame> frame = EditorFrame::create(width, height, "qvhost", &error);
    if (!frame) {
        err << "qvhost: " << error << '\n';
        return 1;
    }
    report << "editor: " << width << " x " << height << '\n';

    FrameResizer resizer(*frame);
    effect.host().setSizeWindowHandler([&resizer](int w, int h) { return resizer.request(w, h); });
    AudioFeeder audio(effect, input, settings.sampleRate, settings.blockSize);
    Pumper pump{effect, *frame, resizer};

    int status = 0;
    int opened = 0;
    for (int cycle = 0; cycle < settings.cycles; ++cycle) {
        const bool last = cycle + 1 == settings.cycles;
        if (effect.dispatch(vst::effEditOpen, 0, 0, frame->parentHandle()) == 0) {
            err << "qvhost: effEditOpen failed\n";
            status = 1;
            break;
        }
        ++opened;
        bool alive = true;
        if (last && !settings.screenshotFile.empty()) {
            alive = pump.run(std::max(settings.holdSeconds, kScreenshotSettleSeconds));
            FrameImage image;
            if (frame->capture(&image) &&
                writePngFile(os::nativePath(settings.screenshotFile),
                             PixelSurface{image.pixels.data(), image.width, image.height})) {
                report << "screenshot: " << image.width << " x " << image.height << " to " << settings.screenshotFile
                       << '\n';
            } else {
                err << "qvhost: cannot write the screenshot " << settings.screenshotFile << '\n';
                status = 1;
            }
        } else {
            alive = pump.run(settings.holdSeconds);
        }
        if (last && settings.destroyFrameFirst) {
            frame->destroy();
            for (int i = 0; i < 5; ++i) {
                effect.dispatch(vst::effEditIdle);
                std::this_thread::sleep_for(kIdlePeriod);
            }
            report << "frame destroyed before effEditClose\n";
        }
        effect.dispatch(vst::effEditClose);
        if (!alive) break;  // the user closed the frame
    }
    audio.stop();
    effect.host().setSizeWindowHandler(nullptr);
    report << "editor opened: " << opened << " times\n";
    report << "editor idle calls: " << pump.idleCalls << '\n';
    report << "size requests: " << resizer.count() << ", frame " << frame->clientWidth() << " x "
           << frame->clientHeight() << '\n';
    report << "audio blocks while the editor ran: " << audio.blocks() << '\n';
    return status;
}

}  // namespace qv::vsthost
