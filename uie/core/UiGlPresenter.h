// An optional way of putting the window's back buffer on the screen: the whole 32-bit buffer is
// uploaded into one OpenGL texture and drawn as one quad on the window's own DC. opengl32.dll is
// loaded at run time and every function is looked up by name, so a machine without a usable
// OpenGL keeps the GDI path. Any failure stops the presenter for good; the caller then copies
// with BitBlt. UI thread only.
#pragma once

#include <windows.h>
#include <GL/gl.h>

#include <functional>

namespace UIE {

class UiGlPresenter {
public:
    // Looks up one exported function; tests replace it to take functions away or wrap them.
    using ProcLoader = std::function<FARPROC(HMODULE library, const char* name)>;

    UiGlPresenter();
    ~UiGlPresenter() { Stop(); }
    UiGlPresenter(const UiGlPresenter&) = delete;
    UiGlPresenter& operator=(const UiGlPresenter&) = delete;

    bool Start(HWND target);
    // True when the frame (width × height BGRX pixels, rows top to bottom) was drawn by OpenGL.
    bool Present(const void* pixels, int width, int height);
    void Stop();

    bool Active() const { return active; }

    ProcLoader loader;
    HWND window = nullptr;
    HDC dc = nullptr;
    HGLRC context = nullptr;
    HMODULE library = nullptr;
    GLuint texture = 0;
    int textureWidth = 0;
    int textureHeight = 0;
    bool active = false;

    // The 25 functions, resolved in this order.
    struct Functions {
        HGLRC(WINAPI* wglCreateContext)(HDC) = nullptr;
        BOOL(WINAPI* wglDeleteContext)(HGLRC) = nullptr;
        BOOL(WINAPI* wglMakeCurrent)(HDC, HGLRC) = nullptr;
        void(APIENTRY* glGenTextures)(GLsizei, GLuint*) = nullptr;
        void(APIENTRY* glDeleteTextures)(GLsizei, const GLuint*) = nullptr;
        void(APIENTRY* glBindTexture)(GLenum, GLuint) = nullptr;
        void(APIENTRY* glTexParameteri)(GLenum, GLenum, GLint) = nullptr;
        void(APIENTRY* glTexImage2D)(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum, const void*) =
            nullptr;
        void(APIENTRY* glTexSubImage2D)(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, const void*) =
            nullptr;
        void(APIENTRY* glPixelStorei)(GLenum, GLint) = nullptr;
        void(APIENTRY* glEnable)(GLenum) = nullptr;
        void(APIENTRY* glDisable)(GLenum) = nullptr;
        void(APIENTRY* glViewport)(GLint, GLint, GLsizei, GLsizei) = nullptr;
        void(APIENTRY* glMatrixMode)(GLenum) = nullptr;
        void(APIENTRY* glLoadIdentity)() = nullptr;
        void(APIENTRY* glOrtho)(GLdouble, GLdouble, GLdouble, GLdouble, GLdouble, GLdouble) = nullptr;
        void(APIENTRY* glClearColor)(GLclampf, GLclampf, GLclampf, GLclampf) = nullptr;
        void(APIENTRY* glClear)(GLbitfield) = nullptr;
        void(APIENTRY* glBegin)(GLenum) = nullptr;
        void(APIENTRY* glEnd)() = nullptr;
        void(APIENTRY* glDrawBuffer)(GLenum) = nullptr;
        void(APIENTRY* glFlush)() = nullptr;
        void(APIENTRY* glTexCoord2f)(GLfloat, GLfloat) = nullptr;
        void(APIENTRY* glVertex2f)(GLfloat, GLfloat) = nullptr;
        GLenum(APIENTRY* glGetError)() = nullptr;
    };
    Functions gl;

private:
    bool ResolveFunctions();
    bool PrepareContext();
    bool Fail();
};

}  // namespace UIE
