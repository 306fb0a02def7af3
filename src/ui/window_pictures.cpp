// The window's pictures at its DPI: the logo and wordmark of the resources,
// the flag of a file, and the power symbol on the Exit button.
#include "ui/win32_window.h"

#include "ui/picture.h"
#include "ui/resource.h"

namespace vz {
namespace {

constexpr COLORREF kTransparentKey = RGB(255, 0, 255);  // power picture

}  // namespace

void Win32Window::ShowPicturesAtDpi() {
  struct Resource {
    Control control;
    int normal, large;
  };
  for (const Resource& r : {Resource{Control::Logo, IDB_LOGO, IDB_LOGO_2X},
                            Resource{Control::Wordmark, IDB_WORDMARK, IDB_WORDMARK_2X}}) {
    BitmapHandle shown = ResourcePictureAtDpi(instance_, r.normal, r.large, dpi_);
    SetPictureBitmap(At(r.control).hwnd, shown.get());
    pictures_[static_cast<std::size_t>(r.control)] = std::move(shown);
  }
  for (const layout::ControlDesign& d : layout::kControls) {
    const auto i = static_cast<std::size_t>(d.id);
    if (!filePictures_[i].valid()) continue;
    BitmapHandle shown = FilePictureAtDpi(filePictures_[i].get());
    SetPictureBitmap(At(d.id).hwnd, shown.valid() ? shown.get() : filePictures_[i].get());
    pictures_[i] = std::move(shown);
  }
  SetupExitPicture();
}

BitmapHandle Win32Window::FilePictureAtDpi(HBITMAP original) const {
  if (!original || dpi_ == layout::kDesignDpi) return {};
  // Scaled as the window is, whatever the size of the control's box: a
  // site may put a flag of another size beside the program.
  return ScaleBitmap(original, SizeAtDpi(BitmapSize(original), dpi_));
}

void Win32Window::SetupExitPicture() {
  const COLORREF key = kTransparentKey;
  BitmapHandle power = ResourcePictureAtDpi(instance_, IDB_POWER, IDB_POWER_2X, dpi_, &key);
  if (!power.valid()) return;
  const SIZE size = BitmapSize(power.get());
  ImageListHandle images(ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, 1, 0));
  if (images.valid()) ImageList_AddMasked(images.get(), power.get(), key);
  BUTTON_IMAGELIST list{
      images.get(), {0, layout::DesignPixelsAt(6, dpi_), 0, 0}, BUTTON_IMAGELIST_ALIGN_TOP};
  SendMessageW(At(Control::ExitButton).hwnd, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
  // The button has the new list now; the old one goes.
  exitImages_ = std::move(images);
}

void Win32Window::SetPictureBitmap(HWND image, HBITMAP bitmap) {
  HBITMAP previous = reinterpret_cast<HBITMAP>(
      SendMessageW(image, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  // With visual styles the control may keep a copy of its own; free that.
  HBITMAP now = reinterpret_cast<HBITMAP>(SendMessageW(image, STM_GETIMAGE, IMAGE_BITMAP, 0));
  if (previous && previous != now) {
    bool ours = false;
    for (const auto* owned : {&pictures_, &filePictures_}) {
      for (const BitmapHandle& b : *owned) ours = ours || b.get() == previous;
    }
    if (!ours) BitmapHandle(previous).Close();
  }
}

bool Win32Window::LoadPicture(Control c, const std::wstring& path) {
  const auto i = static_cast<std::size_t>(c);
  BitmapHandle decoded = DecodePicture(path);
  const bool loaded = decoded.valid();
  // The control shows the new picture before the old one is freed.
  BitmapHandle shown = FilePictureAtDpi(decoded.get());
  SetPictureBitmap(At(c).hwnd, shown.valid() ? shown.get() : decoded.get());
  filePictures_[i] = std::move(decoded);
  pictures_[i] = std::move(shown);
  return loaded;
}

}  // namespace vz
