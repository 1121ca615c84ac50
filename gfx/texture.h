// One OpenGL texture object made from an Image, with a full mipmap chain.
#pragma once

#include <cstdint>

class Image;

class Texture {
public:
    Texture();
    ~Texture();

    // Replaces any held texture. An 8-bit alpha picture may be merged into an
    // 8-bit (luminance) or 24-bit (RGB) picture; it is ignored for other
    // depths. False only when the alpha picture does not match or memory runs
    // out, and then nothing is held. Pictures of an unsupported depth (an
    // empty one included) keep a texture name without an image, and true.
    bool Create(const Image& image, const Image* alphaImage = nullptr);

    // Binds the held texture, or name 0 when none is held.
    void Bind();

    // Gives up the held texture; harmless when none is held.
    void Delete();

    // The OpenGL name plus one, so that 0 means none.
    uint32_t name;

    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;
};
