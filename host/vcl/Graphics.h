// Pictures as the host keeps them: a bitmap's bytes and its size, or nothing.
#pragma once

#include <cstdint>
#include <vector>

namespace vcl {

class TPicture {
public:
    bool Empty() const { return data_.empty(); }
    int Width() const { return width_; }
    int Height() const { return height_; }
    const std::vector<uint8_t>& Data() const { return data_; }
    void Assign(std::vector<uint8_t> data, int width, int height) {
        data_ = std::move(data);
        width_ = width;
        height_ = height;
    }
    void Clear() { Assign({}, 0, 0); }

private:
    std::vector<uint8_t> data_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace vcl
