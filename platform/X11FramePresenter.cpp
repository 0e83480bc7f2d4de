#include "platform/X11FramePresenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <cstdlib>

namespace {

// The window's visual must take our pixels as they are: blue, green, red and a spare byte, in
// little-endian 32-bit units.
bool TakesBgrx32(const xcb_setup_t* pSetup, xcb_visualid_t visual, uint8_t* pDepth) {
    if (pSetup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) {
        return false;
    }
    for (auto screens = xcb_setup_roots_iterator(pSetup); screens.rem != 0;
         xcb_screen_next(&screens)) {
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem != 0;
             xcb_depth_next(&depths)) {
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem != 0;
                 xcb_visualtype_next(&visuals)) {
                const xcb_visualtype_t& v = *visuals.data;
                if (v.visual_id != visual) {
                    continue;
                }
                if (v._class != XCB_VISUAL_CLASS_TRUE_COLOR || v.red_mask != 0xFF0000u ||
                    v.green_mask != 0xFF00u || v.blue_mask != 0xFFu) {
                    return false;
                }
                *pDepth = depths.data->depth;
                for (auto formats = xcb_setup_pixmap_formats_iterator(pSetup); formats.rem != 0;
                     xcb_format_next(&formats)) {
                    if (formats.data->depth == *pDepth) {
                        return formats.data->bits_per_pixel == 32;
                    }
                }
                return false;
            }
        }
    }
    return false;
}

}  // namespace

struct X11FramePresenter::Image {
    int shmId = -1;
    uint8_t* pBits = nullptr;
    xcb_shm_seg_t segment = 0;
};

std::unique_ptr<X11FramePresenter> X11FramePresenter::Create(uint32_t window, int width,
                                                             int height) {
    if (window == 0 || width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE) {
        return nullptr;
    }
    std::unique_ptr<X11FramePresenter> p(new X11FramePresenter);
    p->m_pConnection = xcb_connect(nullptr, nullptr);
    xcb_connection_t* c = p->m_pConnection;
    if (xcb_connection_has_error(c) != 0) {
        return nullptr;
    }
    const xcb_query_extension_reply_t* pShm = xcb_get_extension_data(c, &xcb_shm_id);
    if (pShm == nullptr || pShm->present == 0) {
        return nullptr;
    }
    p->m_completionEvent = static_cast<uint8_t>(pShm->first_event + XCB_SHM_COMPLETION);

    xcb_get_window_attributes_reply_t* pAttributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr);
    if (pAttributes == nullptr) {
        return nullptr;
    }
    const xcb_visualid_t visual = pAttributes->visual;
    std::free(pAttributes);
    if (!TakesBgrx32(xcb_get_setup(c), visual, &p->m_depth)) {
        return nullptr;
    }

    p->m_width = width;
    p->m_height = height;
    if (!p->MakeImages()) {
        return nullptr;
    }

    // No background: until the first frame arrives the child shows what its parent showed.
    // Only exposures are asked for; input goes on to the parent.
    p->m_child = xcb_generate_id(c);
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, XCB_EVENT_MASK_EXPOSURE};
    xcb_void_cookie_t created = xcb_create_window_checked(
        c, XCB_COPY_FROM_PARENT, p->m_child, window, 0, 0, static_cast<uint16_t>(width),
        static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
        XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values);
    if (xcb_generic_error_t* pError = xcb_request_check(c, created)) {
        std::free(pError);
        p->m_child = 0;
        return nullptr;
    }
    p->m_gc = xcb_generate_id(c);
    const uint32_t gcValues[] = {0};  // no GraphicsExposure events
    xcb_create_gc(c, p->m_gc, p->m_child, XCB_GC_GRAPHICS_EXPOSURES, gcValues);
    xcb_map_window(c, p->m_child);
    xcb_flush(c);
    return p;
}

X11FramePresenter::~X11FramePresenter() {
    if (m_pConnection == nullptr) {
        return;
    }
    if (xcb_connection_has_error(m_pConnection) == 0) {
        if (m_gc != 0) {
            xcb_free_gc(m_pConnection, m_gc);
        }
        if (m_child != 0) {
            xcb_destroy_window(m_pConnection, m_child);
        }
    }
    FreeImages();
    xcb_disconnect(m_pConnection);
}

bool X11FramePresenter::MakeImages() {
    const size_t bytes = static_cast<size_t>(m_width) * static_cast<size_t>(m_height) * 4;
    for (auto& pImage : m_images) {
        pImage = std::make_unique<Image>();
        pImage->shmId = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (pImage->shmId == -1) {
            FreeImages();
            return false;
        }
        void* pAddress = shmat(pImage->shmId, nullptr, 0);
        // shmat's own way of saying it failed.
        if (pAddress == reinterpret_cast<void*>(-1)) {  // NOLINT(performance-no-int-to-ptr)
            shmctl(pImage->shmId, IPC_RMID, nullptr);
            pImage->shmId = -1;
            FreeImages();
            return false;
        }
        pImage->pBits = static_cast<uint8_t*>(pAddress);
        pImage->segment = xcb_generate_id(m_pConnection);
        xcb_void_cookie_t attached = xcb_shm_attach_checked(
            m_pConnection, pImage->segment, static_cast<uint32_t>(pImage->shmId), 0);
        xcb_generic_error_t* pError = xcb_request_check(m_pConnection, attached);
        // Once both sides hold it, the segment goes when the last of them lets go.
        shmctl(pImage->shmId, IPC_RMID, nullptr);
        if (pError != nullptr) {
            std::free(pError);
            pImage->segment = 0;
            FreeImages();
            return false;
        }
    }
    m_pair.Reset();
    m_drawn.reset();
    return true;
}

void X11FramePresenter::FreeImages() {
    bool bAttached = false;
    for (auto& pImage : m_images) {
        if (pImage && pImage->segment != 0 && xcb_connection_has_error(m_pConnection) == 0) {
            xcb_shm_detach(m_pConnection, pImage->segment);
            bAttached = true;
        }
    }
    if (bAttached) {
        // The server may still be reading; a round trip makes sure it has done so.
        std::free(
            xcb_get_input_focus_reply(m_pConnection, xcb_get_input_focus(m_pConnection), nullptr));
    }
    for (auto& pImage : m_images) {
        if (pImage && pImage->pBits != nullptr) {
            shmdt(pImage->pBits);
        }
        pImage.reset();
    }
}

int X11FramePresenter::FileDescriptor() const {
    return xcb_get_file_descriptor(m_pConnection);
}

PixelTarget X11FramePresenter::NextImage() {
    m_drawn.reset();
    if (m_images[0] == nullptr) {
        return {};
    }
    m_drawn = m_pair.Take();
    return m_drawn ? TargetFor(m_images[*m_drawn]->pBits, m_width, m_height) : PixelTarget{};
}

void X11FramePresenter::Present() {
    if (!m_drawn) {
        return;
    }
    Put(*m_drawn);
    m_pair.Shown(*m_drawn);
    m_drawn.reset();
}

void X11FramePresenter::Put(size_t index) {
    const Image& image = *m_images[index];
    xcb_shm_put_image(m_pConnection, m_child, m_gc, static_cast<uint16_t>(m_width),
                      static_cast<uint16_t>(m_height), 0, 0, static_cast<uint16_t>(m_width),
                      static_cast<uint16_t>(m_height), 0, 0, m_depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 1,
                      image.segment, 0);
    xcb_flush(m_pConnection);
}

void X11FramePresenter::ProcessEvents() {
    bool bExposed = false;
    while (xcb_generic_event_t* pEvent = xcb_poll_for_event(m_pConnection)) {
        const uint8_t type = pEvent->response_type & 0x7F;
        if (type == m_completionEvent) {
            const auto* pDone = reinterpret_cast<const xcb_shm_completion_event_t*>(pEvent);
            for (size_t i = 0; i < m_images.size(); ++i) {
                if (m_images[i] && m_images[i]->segment == pDone->shmseg) {
                    m_pair.Finished(i);
                }
            }
        } else if (type == XCB_EXPOSE) {
            bExposed = true;
        }
        std::free(pEvent);
    }
    if (bExposed && m_pair.LastShown() >= 0) {
        const auto nLast = static_cast<size_t>(m_pair.LastShown());
        Put(nLast);
        m_pair.ReadAgain(nLast);
    }
    if (m_pair.TakeWaitingFrame()) {
        Ready();
    }
}

bool X11FramePresenter::Resize(int width, int height) {
    if (width <= 0 || height <= 0 || width > MAX_SIDE || height > MAX_SIDE) {
        return false;
    }
    if (width == m_width && height == m_height) {
        return true;
    }
    FreeImages();
    m_width = width;
    m_height = height;
    const uint32_t size[] = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
    xcb_configure_window(m_pConnection, m_child, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT,
                         size);
    xcb_flush(m_pConnection);
    return MakeImages();
}
