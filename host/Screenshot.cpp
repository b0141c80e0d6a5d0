#include "Screenshot.h"

#include <wincodec.h>

#include "comlib/ComPtr.h"
#include "comlib/Result.h"

namespace host {

namespace {

struct Gdi {
  HDC screen = nullptr;
  HDC memory = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  ~Gdi() {
    if (old) ::SelectObject(memory, old);
    if (bitmap) ::DeleteObject(bitmap);
    if (memory) ::DeleteDC(memory);
    if (screen) ::ReleaseDC(nullptr, screen);
  }
};

}  // namespace

HRESULT SaveWindowPng(HWND window, const std::wstring& path) {
  RECT rect;
  RETURN_LAST_ERROR_IF(!::GetWindowRect(window, &rect));
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  Gdi gdi;
  gdi.screen = ::GetDC(nullptr);
  gdi.memory = ::CreateCompatibleDC(gdi.screen);
  gdi.bitmap = ::CreateCompatibleBitmap(gdi.screen, width, height);
  if (!gdi.screen || !gdi.memory || !gdi.bitmap) return E_FAIL;
  gdi.old = ::SelectObject(gdi.memory, gdi.bitmap);
  RETURN_LAST_ERROR_IF(!::BitBlt(gdi.memory, 0, 0, width, height, gdi.screen, rect.left, rect.top, SRCCOPY));
  ::SelectObject(gdi.memory, gdi.old);
  gdi.old = nullptr;

  comlib::ComPtr<IWICImagingFactory> factory;
  RETURN_IF_FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, factory.PutVoid()));
  comlib::ComPtr<IWICBitmap> image;
  RETURN_IF_FAILED(factory->CreateBitmapFromHBITMAP(gdi.bitmap, nullptr, WICBitmapIgnoreAlpha, image.Put()));
  comlib::ComPtr<IWICStream> stream;
  RETURN_IF_FAILED(factory->CreateStream(stream.Put()));
  RETURN_IF_FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
  comlib::ComPtr<IWICBitmapEncoder> encoder;
  RETURN_IF_FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put()));
  RETURN_IF_FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
  comlib::ComPtr<IWICBitmapFrameEncode> frame;
  RETURN_IF_FAILED(encoder->CreateNewFrame(frame.Put(), nullptr));
  RETURN_IF_FAILED(frame->Initialize(nullptr));
  RETURN_IF_FAILED(frame->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)));
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  RETURN_IF_FAILED(frame->SetPixelFormat(&format));
  RETURN_IF_FAILED(frame->WriteSource(image.Get(), nullptr));
  RETURN_IF_FAILED(frame->Commit());
  return encoder->Commit();
}

}  // namespace host
