// The row each object class defines beside itself for object.new: the name
// scripts pass, its type code and its maker. The maker reads the call's
// arguments through ObjectArgs, so object classes know nothing of Lua.
#pragma once
#include <glm/glm.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

class SceneObject;

// The most one object may take at build (vertices, indices, textures and
// buffers, in memory and on the GPU together): a larger one is refused, where
// building it would end the show when the machine runs out.
constexpr uint64_t kMaxObjectBytes = 1ull << 30;

// The arguments of one object.new call; index 1 is the class name. A read of
// a missing or mistyped argument raises the script's argument error and does
// not return, so a maker reads every argument before it allocates anything.
class ObjectArgs {
public:
    virtual double number(int index) = 0;
    virtual int64_t integer(int index) = 0;
    // Up to the first zero byte.
    virtual std::string string(int index) = 0;
    virtual bool boolean(int index) = 0;
    virtual glm::vec3 vector(int index) = 0;
    // Raises the argument error "bad argument #index to 'new' (message)".
    [[noreturn]] virtual void refuse(int index, const char* message) = 0;

    // A count truncated toward zero, refused with `limit` unless it lies in
    // [lowest, highest], before it can wrap around as an unsigned value.
    uint32_t count(int index, double lowest, double highest, const char* limit) {
        const double value = std::trunc(number(index));
        if (!(value >= lowest && value <= highest)) refuse(index, limit);
        return static_cast<uint32_t>(value);
    }

    // Refuses argument `index` when the object it sizes would take more than
    // kMaxObjectBytes, saying how much it would take.
    void checkSize(int index, const char* className, uint64_t bytes) {
        if (bytes <= kMaxObjectBytes) return;
        char message[128];
        std::snprintf(message, sizeof message, "this %s would take %.1f GiB; one object may take at most 1 GiB",
                      className, static_cast<double>(bytes) / kMaxObjectBytes);
        refuse(index, message);
    }

protected:
    ~ObjectArgs() = default;
};

struct ObjectClass {
    const char* name;  // as scripts pass it to object.new
    int type;          // what the class's getType() returns
    SceneObject* (*make)(ObjectArgs& args);
};
