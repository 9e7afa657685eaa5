// PNG files through the platform's imaging component (WIC).
#include "checker/PngWriter.h"

#include <objbase.h>
#include <wincodec.h>

namespace preview {
namespace {

enum : UINT { LARGEST_SIDE = 16384 };

template <typename T> void Release(T *&object)
{
  if (object != nullptr)
    object->Release();
  object = nullptr;
}

// COM for the length of one call; the caller's own initialisation is left alone.
class ComScope {
public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope()
  {
    if (initialised_)
      CoUninitialize();
  }

private:
  bool initialised_;
};

IWICImagingFactory *CreateFactory()
{
  IWICImagingFactory *factory = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory))))
    return nullptr;
  return factory;
}

}  // namespace

bool WritePng(const std::wstring &path, const Picture &picture)
{
  if (picture.width <= 0 || picture.height <= 0 ||
      picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height)
    return false;
  ComScope com;
  IWICImagingFactory *factory = CreateFactory();
  IWICStream *stream = nullptr;
  IWICBitmapEncoder *encoder = nullptr;
  IWICBitmapFrameEncode *frame = nullptr;
  IWICBitmap *source = nullptr;
  const UINT stride = static_cast<UINT>(picture.width) * 4;
  const UINT bytes = stride * static_cast<UINT>(picture.height);
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  // The pixels as GDI wrote them; the frame converts them to the file's 24-bit format.
  HRESULT result = factory != nullptr ? S_OK : E_FAIL;
  if (SUCCEEDED(result))
    result = factory->CreateBitmapFromMemory(
        picture.width, picture.height, GUID_WICPixelFormat32bppBGR, stride, bytes,
        reinterpret_cast<BYTE *>(const_cast<uint32_t *>(picture.pixels.data())), &source);
  if (SUCCEEDED(result))
    result = factory->CreateStream(&stream);
  if (SUCCEEDED(result))
    result = stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE);
  if (SUCCEEDED(result))
    result = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder);
  if (SUCCEEDED(result))
    result = encoder->Initialize(stream, WICBitmapEncoderNoCache);
  if (SUCCEEDED(result))
    result = encoder->CreateNewFrame(&frame, nullptr);
  if (SUCCEEDED(result))
    result = frame->Initialize(nullptr);
  if (SUCCEEDED(result))
    result = frame->SetSize(picture.width, picture.height);
  if (SUCCEEDED(result))
    result = frame->SetPixelFormat(&format);
  if (SUCCEEDED(result))
    result = frame->WriteSource(source, nullptr);
  if (SUCCEEDED(result))
    result = frame->Commit();
  if (SUCCEEDED(result))
    result = encoder->Commit();
  Release(frame);
  Release(encoder);
  Release(stream);
  Release(source);
  Release(factory);
  if (FAILED(result))
    DeleteFileW(path.c_str());
  return SUCCEEDED(result);
}

bool ReadPng(const std::wstring &path, Picture *picture)
{
  ComScope com;
  IWICImagingFactory *factory = CreateFactory();
  IWICBitmapDecoder *decoder = nullptr;
  IWICBitmapFrameDecode *frame = nullptr;
  IWICFormatConverter *converter = nullptr;
  UINT width = 0, height = 0;
  HRESULT result = factory != nullptr ? S_OK : E_FAIL;
  if (SUCCEEDED(result))
    result = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder);
  if (SUCCEEDED(result))
    result = decoder->GetFrame(0, &frame);
  if (SUCCEEDED(result))
    result = frame->GetSize(&width, &height);
  if (SUCCEEDED(result) && (width == 0 || height == 0 || width > LARGEST_SIDE || height > LARGEST_SIDE))
    result = E_FAIL;
  if (SUCCEEDED(result))
    result = factory->CreateFormatConverter(&converter);
  if (SUCCEEDED(result))
    result = converter->Initialize(frame, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom);
  if (SUCCEEDED(result)) {
    picture->width = static_cast<int>(width);
    picture->height = static_cast<int>(height);
    picture->pixels.assign(static_cast<size_t>(width) * height, 0);
    result = converter->CopyPixels(nullptr, width * 4, width * height * 4,
                                   reinterpret_cast<BYTE *>(picture->pixels.data()));
    for (uint32_t &pixel : picture->pixels)
      pixel |= 0xFF000000u;
  }
  Release(converter);
  Release(frame);
  Release(decoder);
  Release(factory);
  return SUCCEEDED(result);
}

}  // namespace preview
