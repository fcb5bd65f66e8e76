// The two forms the writer emits objects in. Members are given with the
// shape of their template (a count, an array of DWORDs, an array of float
// records, one float record), so the text form can place its separators
// where the format wants them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class XSink {
public:
    virtual ~XSink() = default;
    virtual void Open(const char* identifier) = 0;
    virtual void Close() = 0;
    virtual void Dword(std::uint32_t value) = 0;
    virtual void Dwords(const std::uint32_t* values, size_t count) = 0;
    // `count` records of `components` floats, `stride` floats apart.
    virtual void Records(const float* first, size_t count, int components, size_t stride) = 0;
    // `count` triangles: "3;a,b,c;" each.
    virtual void Triangles(const std::uint32_t* indices, size_t count) = 0;
    // A lone FLOAT member (one component) or a colour record.
    virtual void Floats(const float* values, int count) = 0;
    virtual void String(std::string_view text) = 0;
};

class TextSink final : public XSink {
public:
    TextSink(int floatBytes, std::string& out) : floatBytes(floatBytes), out(out) {}
    void Open(const char* identifier) override;
    void Close() override;
    void Dword(std::uint32_t value) override;
    void Dwords(const std::uint32_t* values, size_t count) override;
    void Records(const float* first, size_t count, int components, size_t stride) override;
    void Triangles(const std::uint32_t* indices, size_t count) override;
    void Floats(const float* values, int count) override;
    void String(std::string_view text) override;

private:
    void Indent();
    void Number(float value);
    void Number(std::uint32_t value);

    int floatBytes;
    std::string& out;
    int depth = 0;
};

// Runs of DWORDs and of floats are gathered into one integer or float list
// token each, as binary writers do.
class BinarySink final : public XSink {
public:
    BinarySink(int floatBytes, std::vector<std::uint8_t>& out) : floatBytes(floatBytes), out(out) {}
    void Open(const char* identifier) override;
    void Close() override;
    void Dword(std::uint32_t value) override;
    void Dwords(const std::uint32_t* values, size_t count) override;
    void Records(const float* first, size_t count, int components, size_t stride) override;
    void Triangles(const std::uint32_t* indices, size_t count) override;
    void Floats(const float* values, int count) override;
    void String(std::string_view text) override;
    // Writes the gathered list; called once the last member is given.
    void Flush();

private:
    void Word(std::uint16_t value);
    void Dword32(std::uint32_t value);
    void Bytes(std::string_view bytes);
    void Float(float value);

    int floatBytes;
    std::vector<std::uint8_t>& out;
    std::vector<std::uint32_t> integers;
    std::vector<std::uint8_t> floats; // encoded already
    size_t floatCount = 0;
};
