// Decoding JPEG files with libjpeg, with error routines of our own: the library's messages go
// to a "JPEG Error" message box, and a fatal error comes back to the loader as a failed load.
#include <unistd.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "imaging/DibSurface.h"
#include "imaging/FileInput.h"
#include "imaging/PictureFile.h"
#include "imaging/SurfaceLimits.h"

namespace {

// Progressive files can hold any number of scans; past this many a file is taken as hostile.
constexpr int MAX_JPEG_SCANS = 500;

struct JpegErrorManager {
    jpeg_error_mgr pub;  // first, so that the library's pointer is ours too
    jmp_buf jumpBack;
    jpeg_progress_mgr progress;
    // The messages of the load, in order: the library shows only the first warning, so a
    // warning and then a fatal error are the most there can be (room is left for more).
    char aszMessages[4][JMSG_LENGTH_MAX];  // 200 characters each
    int nMessages;
};

void KeepMessage(j_common_ptr cinfo, const char* pszText) {
    auto* pManager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    if (pManager->nMessages < 4) {
        std::snprintf(pManager->aszMessages[pManager->nMessages], JMSG_LENGTH_MAX, "%s", pszText);
        ++pManager->nMessages;
    }
}

void OutputMessage(j_common_ptr cinfo) {
    char szBuffer[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, szBuffer);
    KeepMessage(cinfo, szBuffer);
}

[[noreturn]] void AbandonDecompression(j_common_ptr cinfo) {
    auto* pManager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    jpeg_destroy(cinfo);
    longjmp(pManager->jumpBack, 1);
}

// Shows the message, destroys the decompressor and returns to the loader, which then fails
// without touching the decompressor again.
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    AbandonDecompression(cinfo);
}

void ProgressMonitor(j_common_ptr cinfo) {
    auto* pDecompress = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (pDecompress->input_scan_number > MAX_JPEG_SCANS) {
        KeepMessage(cinfo, "Too many scans in progressive JPEG file");
        AbandonDecompression(cinfo);
    }
}

// What the library needs besides the surface for this file: the whole picture's coefficients
// when its scans must be buffered (progressive files), each component's blocks padded to its
// sampling factors as the library pads them, and the fixed extra for rows and tables.
int64_t WorkingBytes(const jpeg_decompress_struct& cinfo) {
    int64_t nBytes = MAX_JPEG_WORKING_EXTRA_BYTES;
    for (int i = 0; i < cinfo.num_components; ++i) {
        const jpeg_component_info& c = cinfo.comp_info[i];
        const int64_t w = (c.width_in_blocks + c.h_samp_factor - 1) / c.h_samp_factor;
        const int64_t h = (c.height_in_blocks + c.v_samp_factor - 1) / c.v_samp_factor;
        nBytes += w * c.h_samp_factor * h * c.v_samp_factor * int64_t{sizeof(JBLOCK)};
    }
    return nBytes;
}

// Adobe's CMYK files store the inks inverted; others store them plainly.
void CmykRowToBgr(const JSAMPLE* pIn, uint8_t* pOut, JDIMENSION nWidth, bool bInverted) {
    for (JDIMENSION x = 0; x < nWidth; ++x, pIn += 4, pOut += 3) {
        unsigned c = pIn[0], m = pIn[1], y = pIn[2], k = pIn[3];
        if (!bInverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        pOut[0] = static_cast<uint8_t>((y * k + 127) / 255);
        pOut[1] = static_cast<uint8_t>((m * k + 127) / 255);
        pOut[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

// Everything between setjmp and a possible longjmp lives in this function and the library;
// nothing here has a destructor that a jump could skip. The first message ends up in manager.
int DecodeJpegStream(DibSurface& surface, FILE* pFile, JpegErrorManager& manager) {
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof(cinfo));
    std::memset(&manager, 0, sizeof(manager));
    cinfo.err = jpeg_std_error(&manager.pub);
    manager.pub.output_message = OutputMessage;
    manager.pub.error_exit = ErrorExit;
    if (setjmp(manager.jumpBack) != 0) {
        return 0;  // the decompressor is already destroyed
    }

    jpeg_create_decompress(&cinfo);
    // Nothing large is allocated before the header says how much the picture needs.
    cinfo.mem->max_memory_to_use = MAX_JPEG_WORKING_EXTRA_BYTES;
    manager.progress.progress_monitor = ProgressMonitor;
    cinfo.progress = &manager.progress;
    jpeg_stdio_src(&cinfo, pFile);
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK ||
        int64_t{cinfo.image_width} * cinfo.image_height > MAX_PICTURE_PIXELS) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    cinfo.mem->max_memory_to_use = static_cast<long>(WorkingBytes(cinfo));
    // Rows are decoded straight into the surface in its own blue-green-red order; grey files
    // are widened to three samples by the library, CMYK files converted here.
    const bool bCmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = bCmyk ? JCS_CMYK : JCS_EXT_BGR;
    if (!surface.Create(static_cast<int>(cinfo.image_width), static_cast<int>(cinfo.image_height),
                        24)) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_width != cinfo.image_width || cinfo.output_height != cinfo.image_height ||
        cinfo.output_components != (bCmyk ? 4 : 3)) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    JSAMPARRAY ppCmykRow = bCmyk
                               ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                                            JPOOL_IMAGE, cinfo.output_width * 4, 1)
                               : nullptr;
    const size_t stride = static_cast<size_t>(surface.GetRowStride());
    const JDIMENSION nHeight = cinfo.output_height;
    while (cinfo.output_scanline < nHeight) {
        // The top row of the picture is the last row in memory.
        uint8_t* pRow = surface.Bits() + (nHeight - 1 - cinfo.output_scanline) * stride;
        if (bCmyk) {
            jpeg_read_scanlines(&cinfo, ppCmykRow, 1);
            CmykRowToBgr(ppCmykRow[0], pRow, cinfo.output_width, cinfo.saw_Adobe_marker != 0);
        } else {
            JSAMPROW row = pRow;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 1;
}

}  // namespace

LoadedPicture LoadJpegFile(const char* pszPath) {
    LoadedPicture result;
    InputFile file(pszPath);
    if (!file.IsOpen()) {
        return result;
    }
    const int fd = file.Release();
    FILE* pFile = fdopen(fd, "rb");
    if (pFile == nullptr) {
        ::close(fd);
        return result;
    }
    JpegErrorManager manager;
    const int nResult = DecodeJpegStream(result.surface, pFile, manager);
    std::fclose(pFile);
    for (int i = 0; i < manager.nMessages; ++i) {
        result.messages.push_back(PictureMessage{"JPEG Error", manager.aszMessages[i]});
    }
    if (nResult == 0) {
        result.surface.Release();
    }
    return result;
}
