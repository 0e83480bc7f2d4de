#include "platform/PipeWireFrame.h"

#include <wayland-client-protocol.h>

#include <cstring>

#include "imaging/SurfaceLimits.h"
#include "platform/WaylandCapture.h"

// PipeWire's headers are C with compound literals and designated initialisers in macros.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wcast-qual"
#include <pipewire/pipewire.h>
#include <spa/param/video/format-utils.h>
#include <spa/pod/builder.h>

namespace {

// The 32-bit layouts we read, and the shared-memory format of the same bytes.
struct Layout {
    spa_video_format video;
    uint32_t shm;
};
constexpr Layout LAYOUTS[] = {
    {SPA_VIDEO_FORMAT_BGRx, WL_SHM_FORMAT_XRGB8888},
    {SPA_VIDEO_FORMAT_BGRA, WL_SHM_FORMAT_ARGB8888},
    {SPA_VIDEO_FORMAT_RGBx, WL_SHM_FORMAT_XBGR8888},
    {SPA_VIDEO_FORMAT_RGBA, WL_SHM_FORMAT_ABGR8888},
};

struct Reader {
    pw_main_loop* loop = nullptr;
    pw_stream* stream = nullptr;
    spa_hook listener{};
    spa_video_info_raw format{};
    bool bFormatKnown = false;
    std::optional<PlatformImage> image;
    std::string strError;
    bool bFinished = false;

    // The first word is the one kept: disconnecting reports the stream's end again.
    void Finish() {
        bFinished = true;
        pw_main_loop_quit(loop);
    }
};

std::optional<uint32_t> ShmFormat(spa_video_format format) {
    for (const Layout& layout : LAYOUTS) {
        if (layout.video == format) {
            return layout.shm;
        }
    }
    return std::nullopt;
}

void OnParamChanged(void* pData, uint32_t id, const spa_pod* pParam) {
    auto& reader = *static_cast<Reader*>(pData);
    if (pParam == nullptr || id != SPA_PARAM_Format) {
        return;
    }
    spa_video_info_raw format{};
    if (spa_format_video_raw_parse(pParam, &format) < 0 || !ShmFormat(format.format)) {
        reader.strError = "the screencast's format is not one we read.";
        reader.Finish();
        return;
    }
    reader.format = format;
    reader.bFormatKnown = true;
    // Buffers we can read in place: shared memory, never GPU buffers.
    uint8_t buffer[256];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
    const spa_pod* params[] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
        &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
        SPA_POD_CHOICE_FLAGS_Int((1 << SPA_DATA_MemFd) | (1 << SPA_DATA_MemPtr))))};
    pw_stream_update_params(reader.stream, params, 1);
}

void OnProcess(void* pData) {
    auto& reader = *static_cast<Reader*>(pData);
    pw_buffer* pBuffer = pw_stream_dequeue_buffer(reader.stream);
    if (pBuffer == nullptr) {
        return;
    }
    const spa_data& data = pBuffer->buffer->datas[0];
    const uint32_t width = reader.format.size.width;
    const uint32_t height = reader.format.size.height;
    const spa_chunk* pChunk = data.chunk;
    // A buffer may carry only the cursor's news; the first with a whole picture is the frame.
    if (reader.bFormatKnown && data.data != nullptr && pChunk != nullptr && width > 0 &&
        height > 0 && width <= MAX_SURFACE_SIDE && height <= MAX_SURFACE_SIDE) {
        const uint32_t stride =
            pChunk->stride > 0 ? static_cast<uint32_t>(pChunk->stride) : width * 4;
        const uint64_t needed = uint64_t{stride} * (height - 1) + uint64_t{width} * 4;
        if (stride >= width * 4 && pChunk->size > 0 && pChunk->offset <= data.maxsize &&
            needed <= data.maxsize - pChunk->offset && needed <= pChunk->size) {
            reader.image =
                CapturedImage(static_cast<const uint8_t*>(data.data) + pChunk->offset, width,
                              height, stride, *ShmFormat(reader.format.format), 0);
            reader.Finish();
        }
    }
    pw_stream_queue_buffer(reader.stream, pBuffer);
}

void OnStateChanged(void* pData, pw_stream_state /*old*/, pw_stream_state state,
                    const char* pszError) {
    auto& reader = *static_cast<Reader*>(pData);
    if (!reader.bFinished &&
        (state == PW_STREAM_STATE_ERROR || state == PW_STREAM_STATE_UNCONNECTED)) {
        reader.strError = std::string("the screencast stream ended: ") +
                          (pszError != nullptr ? pszError : "unconnected");
        reader.Finish();
    }
}

void OnTimeout(void* pData, uint64_t /*expirations*/) {
    auto& reader = *static_cast<Reader*>(pData);
    reader.strError = "the screencast sent no frame in time.";
    reader.Finish();
}

pw_stream_events StreamEvents() {
    pw_stream_events events{};
    events.version = PW_VERSION_STREAM_EVENTS;
    events.state_changed = OnStateChanged;
    events.param_changed = OnParamChanged;
    events.process = OnProcess;
    return events;
}

}  // namespace

std::optional<PlatformImage> ReadPipeWireFrame(uint32_t nodeId, int timeoutMs,
                                               std::string& strError) {
    pw_init(nullptr, nullptr);
    Reader reader;
    reader.loop = pw_main_loop_new(nullptr);
    if (reader.loop == nullptr) {
        strError = "PipeWire cannot make a loop.";
        return std::nullopt;
    }
    pw_context* pContext = pw_context_new(pw_main_loop_get_loop(reader.loop), nullptr, 0);
    pw_core* pCore = pContext != nullptr ? pw_context_connect(pContext, nullptr, 0) : nullptr;
    if (pCore == nullptr) {
        reader.strError = "PipeWire does not run in this session.";
    } else {
        static const pw_stream_events EVENTS = StreamEvents();
        reader.stream =
            pw_stream_new(pCore, "Velvetfade snapshot",
                          pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                            "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
        if (reader.stream == nullptr) {
            reader.strError = "PipeWire cannot make a stream.";
        } else {
            pw_stream_add_listener(reader.stream, &reader.listener, &EVENTS, &reader);
        }
        // Every size and rate; the 32-bit layouts only, without modifiers: shared memory.
        uint8_t buffer[1024];
        spa_pod_builder builder = SPA_POD_BUILDER_INIT(buffer, sizeof buffer);
        const spa_rectangle minSize = SPA_RECTANGLE(1, 1);
        const spa_rectangle defSize = SPA_RECTANGLE(1920, 1080);
        const spa_rectangle maxSize = SPA_RECTANGLE(MAX_SURFACE_SIDE, MAX_SURFACE_SIDE);
        const spa_fraction minRate = SPA_FRACTION(0, 1);
        const spa_fraction defRate = SPA_FRACTION(30, 1);
        const spa_fraction maxRate = SPA_FRACTION(1000, 1);
        const spa_pod* params[] = {static_cast<const spa_pod*>(spa_pod_builder_add_object(
            &builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
            SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
            SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
            SPA_POD_CHOICE_ENUM_Id(5, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx,
                                   SPA_VIDEO_FORMAT_BGRA, SPA_VIDEO_FORMAT_RGBx,
                                   SPA_VIDEO_FORMAT_RGBA),
            SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defSize, &minSize, &maxSize),
            SPA_FORMAT_VIDEO_framerate,
            SPA_POD_CHOICE_RANGE_Fraction(&defRate, &minRate, &maxRate)))};
        const auto flags =
            static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS);
        spa_source* pTimer =
            reader.stream != nullptr
                ? pw_loop_add_timer(pw_main_loop_get_loop(reader.loop), OnTimeout, &reader)
                : nullptr;
        if (pTimer == nullptr) {
            reader.strError = "PipeWire cannot read the screencast.";
        } else if (pw_stream_connect(reader.stream, PW_DIRECTION_INPUT, nodeId, flags, params, 1) <
                   0) {
            reader.strError = "cannot connect to the screencast stream.";
        } else {
            timespec timeout{timeoutMs / 1000, static_cast<long>(timeoutMs % 1000) * 1000000};
            pw_loop_update_timer(pw_main_loop_get_loop(reader.loop), pTimer, &timeout, nullptr,
                                 false);
            pw_main_loop_run(reader.loop);
        }
        if (pTimer != nullptr) {
            pw_loop_destroy_source(pw_main_loop_get_loop(reader.loop), pTimer);
        }
        if (reader.stream != nullptr) {
            pw_stream_destroy(reader.stream);
        }
    }
    if (!reader.image) {
        strError = reader.strError;
    }
    if (pCore != nullptr) {
        pw_core_disconnect(pCore);
    }
    if (pContext != nullptr) {
        pw_context_destroy(pContext);
    }
    pw_main_loop_destroy(reader.loop);
    return std::move(reader.image);
}
#pragma GCC diagnostic pop
