#include "Screenshot.h"

#include <wincodec.h>

#include "comlib/ComPtr.h"
#include "comlib/Result.h"
#include "comlib/Unique.h"

namespace host {

HRESULT SaveWindowPng(HWND window, const std::wstring& path) {
  RECT rect;
  RETURN_LAST_ERROR_IF(!::GetWindowRect(window, &rect));
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const comlib::WindowDc screen(nullptr);
  if (!screen) return E_FAIL;
  const comlib::UniqueHdc memory(::CreateCompatibleDC(screen.get()));
  const comlib::UniqueHbitmap bitmap(::CreateCompatibleBitmap(screen.get(), width, height));
  if (!memory || !bitmap) return E_FAIL;
  {
    // WIC must not get a bitmap that is still selected into a DC.
    const comlib::SelectedObject selected(memory.get(), bitmap.get());
    RETURN_LAST_ERROR_IF(
        !::BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY));
  }

  comlib::ComPtr<IWICImagingFactory> factory;
  RETURN_IF_FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IWICImagingFactory, factory.PutVoid()));
  comlib::ComPtr<IWICBitmap> image;
  RETURN_IF_FAILED(factory->CreateBitmapFromHBITMAP(bitmap.get(), nullptr, WICBitmapIgnoreAlpha, image.Put()));
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
