#include "ui/picture.h"

#include <wx/log.h>
#include <wx/mstream.h>

#include <vector>

#include "platform/regular_file.h"

#ifdef __WXMSW__
#include <objbase.h>
#include <wincodec.h>

#include <memory>
#endif

namespace rondivo {

#ifdef __WXMSW__
namespace {

struct Releaser {
    void operator()(IUnknown* p) const { p->Release(); }
};
template <typename T>
using Com = std::unique_ptr<T, Releaser>;

// WIC rather than OleLoadPicture: it reads PNG (with its alpha) as well as
// JPEG, GIF and BMP, on every Windows the player supports.
wxImage decodeWithWic(const void* bytes, std::size_t size) {
    IWICImagingFactory* f = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&f))))
        return {};
    Com<IWICImagingFactory> factory(f);
    IWICStream* s = nullptr;
    if (FAILED(factory->CreateStream(&s))) return {};
    Com<IWICStream> stream(s);
    if (FAILED(stream->InitializeFromMemory(static_cast<BYTE*>(const_cast<void*>(bytes)),
                                            static_cast<DWORD>(size))))
        return {};
    IWICBitmapDecoder* d = nullptr;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, &d)))
        return {};
    Com<IWICBitmapDecoder> decoder(d);
    IWICBitmapFrameDecode* fr = nullptr;
    if (FAILED(decoder->GetFrame(0, &fr))) return {};
    Com<IWICBitmapFrameDecode> frame(fr);
    IWICFormatConverter* c = nullptr;
    if (FAILED(factory->CreateFormatConverter(&c))) return {};
    Com<IWICFormatConverter> converter(c);
    if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return {};
    UINT w = 0, h = 0;
    if (FAILED(converter->GetSize(&w, &h)) || w == 0 || h == 0) return {};
    std::vector<BYTE> px(std::size_t(w) * h * 4);
    if (FAILED(converter->CopyPixels(nullptr, w * 4, static_cast<UINT>(px.size()), px.data())))
        return {};
    wxImage image(int(w), int(h), false);
    image.InitAlpha();
    unsigned char* rgb = image.GetData();
    unsigned char* alpha = image.GetAlpha();
    for (std::size_t i = 0; i < std::size_t(w) * h; ++i) {
        rgb[3 * i] = px[4 * i + 2];
        rgb[3 * i + 1] = px[4 * i + 1];
        rgb[3 * i + 2] = px[4 * i];
        alpha[i] = px[4 * i + 3];
    }
    return image;
}

}  // namespace
#endif

wxImage decodePicture(const void* bytes, std::size_t size) {
    if (size == 0) return {};
#ifdef __WXMSW__
    return decodeWithWic(bytes, size);
#else
    wxLogNull quiet;  // a broken picture is no picture, not an error box
    wxMemoryInputStream stream(bytes, size);
    wxImage image;
    if (!image.LoadFile(stream, wxBITMAP_TYPE_ANY) || !image.IsOk()) return {};
    return image;
#endif
}

wxImage loadPicture(const std::filesystem::path& file) {
    std::vector<char> bytes;
    if (!platform::readRegularFile(file, bytes, kLargestPicture)) return {};
    return decodePicture(bytes.data(), bytes.size());
}

wxImage loadPicture(const wxString& file) {
#ifdef __WXMSW__
    return loadPicture(std::filesystem::path(file.ToStdWstring()));
#else
    return loadPicture(std::filesystem::path(file.utf8_string()));
#endif
}

}  // namespace rondivo
