#include "uie/core/UiGlPresenter.h"

#include "base/SystemLibrary.h"

namespace UIE {

namespace {

// Assigns `name`'s address to `slot`; false when the library does not export it.
template <typename Slot>
bool Resolve(const UiGlPresenter::ProcLoader& loader, HMODULE library, const char* name, Slot& slot) {
    FARPROC address = loader(library, name);
    slot = reinterpret_cast<Slot>(reinterpret_cast<void*>(address));
    return slot != nullptr;
}

}  // namespace

UiGlPresenter::UiGlPresenter()
    : loader([](HMODULE module, const char* name) { return GetProcAddress(module, name); }) {}

bool UiGlPresenter::ResolveFunctions() {
#define ORB_GL_RESOLVE(name) Resolve(loader, library, #name, gl.name)
    return ORB_GL_RESOLVE(wglCreateContext) && ORB_GL_RESOLVE(wglDeleteContext) && ORB_GL_RESOLVE(wglMakeCurrent) &&
           ORB_GL_RESOLVE(glGenTextures) && ORB_GL_RESOLVE(glDeleteTextures) && ORB_GL_RESOLVE(glBindTexture) &&
           ORB_GL_RESOLVE(glTexParameteri) && ORB_GL_RESOLVE(glTexImage2D) && ORB_GL_RESOLVE(glTexSubImage2D) &&
           ORB_GL_RESOLVE(glPixelStorei) && ORB_GL_RESOLVE(glEnable) && ORB_GL_RESOLVE(glDisable) &&
           ORB_GL_RESOLVE(glViewport) && ORB_GL_RESOLVE(glMatrixMode) && ORB_GL_RESOLVE(glLoadIdentity) &&
           ORB_GL_RESOLVE(glOrtho) && ORB_GL_RESOLVE(glClearColor) && ORB_GL_RESOLVE(glClear) &&
           ORB_GL_RESOLVE(glBegin) && ORB_GL_RESOLVE(glEnd) && ORB_GL_RESOLVE(glDrawBuffer) &&
           ORB_GL_RESOLVE(glFlush) && ORB_GL_RESOLVE(glTexCoord2f) && ORB_GL_RESOLVE(glVertex2f) &&
           ORB_GL_RESOLVE(glGetError);
#undef ORB_GL_RESOLVE
}

bool UiGlPresenter::Fail() {
    Stop();
    return false;
}

bool UiGlPresenter::Start(HWND target) {
    if (active)
        return true;
    if (!target)
        return false;
    window = target;
    library = base::LoadSystemLibrary(L"opengl32.dll");
    if (!library || !ResolveFunctions())
        return Fail();
    dc = GetDC(window);
    if (!dc)
        return Fail();
    // Single-buffered: every present draws the whole frame straight to the front buffer.
    PIXELFORMATDESCRIPTOR format = {};
    format.nSize = sizeof(format);
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL;
    format.iPixelType = PFD_TYPE_RGBA;
    format.cColorBits = 32;
    const int chosen = ChoosePixelFormat(dc, &format);
    if (chosen == 0 || !SetPixelFormat(dc, chosen, &format))
        return Fail();
    context = gl.wglCreateContext(dc);
    if (!context || !gl.wglMakeCurrent(dc, context))
        return Fail();
    return PrepareContext() ? (active = true) : Fail();
}

bool UiGlPresenter::PrepareContext() {
    gl.glGenTextures(1, &texture);
    if (texture == 0)
        return false;
    gl.glBindTexture(GL_TEXTURE_2D, texture);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    gl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    gl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    gl.glEnable(GL_TEXTURE_2D);
    gl.glDisable(GL_DEPTH_TEST);
    gl.glDisable(GL_LIGHTING);
    gl.glDisable(GL_CULL_FACE);
    gl.glDisable(GL_DITHER);
    gl.glDrawBuffer(GL_FRONT);
    gl.glGetError();  // whatever set-up left pending is not this presenter's concern
    return true;
}

bool UiGlPresenter::Present(const void* pixels, int width, int height) {
    if (!active || !pixels || width <= 0 || height <= 0)
        return false;
    if (!gl.wglMakeCurrent(dc, context))
        return Fail();
    gl.glBindTexture(GL_TEXTURE_2D, texture);
    gl.glGetError();
    // The storage is reallocated only when the window's size changed.
    if (width == textureWidth && height == textureHeight)
        gl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels);
    else
        gl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, pixels);
    if (gl.glGetError() != GL_NO_ERROR)
        return Fail();
    textureWidth = width;
    textureHeight = height;

    const GLfloat w = static_cast<GLfloat>(width);
    const GLfloat h = static_cast<GLfloat>(height);
    gl.glViewport(0, 0, width, height);
    gl.glMatrixMode(GL_PROJECTION);
    gl.glLoadIdentity();
    gl.glOrtho(0.0, width, height, 0.0, -1.0, 1.0);  // y grows downwards, like the buffer's rows
    gl.glMatrixMode(GL_MODELVIEW);
    gl.glLoadIdentity();
    gl.glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl.glClear(GL_COLOR_BUFFER_BIT);
    gl.glBegin(GL_QUADS);
    gl.glTexCoord2f(0.0f, 0.0f);
    gl.glVertex2f(0.0f, 0.0f);
    gl.glTexCoord2f(1.0f, 0.0f);
    gl.glVertex2f(w, 0.0f);
    gl.glTexCoord2f(1.0f, 1.0f);
    gl.glVertex2f(w, h);
    gl.glTexCoord2f(0.0f, 1.0f);
    gl.glVertex2f(0.0f, h);
    gl.glEnd();
    gl.glFlush();
    return gl.glGetError() == GL_NO_ERROR ? true : Fail();
}

void UiGlPresenter::Stop() {
    active = false;
    if (dc && context && gl.wglMakeCurrent)
        gl.wglMakeCurrent(dc, context);
    if (texture != 0 && gl.glDeleteTextures)
        gl.glDeleteTextures(1, &texture);
    texture = 0;
    if (gl.wglMakeCurrent)
        gl.wglMakeCurrent(nullptr, nullptr);
    if (context && gl.wglDeleteContext)
        gl.wglDeleteContext(context);
    context = nullptr;
    if (dc)
        ReleaseDC(window, dc);
    dc = nullptr;
    if (library)
        FreeLibrary(library);
    library = nullptr;
    gl = Functions();
    window = nullptr;
    textureWidth = textureHeight = 0;
}

}  // namespace UIE
