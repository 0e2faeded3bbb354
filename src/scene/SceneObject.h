// The base of every scene node (transform, visibility, parent, ordered
// children), the root's type code, and the tree operations and traversals the
// scripting module and the scene run over it. No GL here.
#pragma once
#include "scene/ObjectClass.h"

#include <glm/glm.hpp>

#include <cstdint>
#include <vector>

class Scene;

// The root's type code; every other class's code is in its own header, beside
// the class, and its factory row (scene/ObjectClass.h) beside its source.
inline constexpr int kSceneRootType = 1;

class SceneObject {
public:
    SceneObject();
    // Frees the children list only; the tree (releaseTree) deletes children.
    virtual ~SceneObject();
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;

    virtual bool build(Scene* scene) = 0;
    // Base: when visible, passes the step to every child, hidden ones included.
    virtual void update(float step);
    // Base: when visible, passes both arguments to every visible child.
    virtual void render(float time, const glm::mat4* parentMatrix);
    // Frees what build created. Must be safe on an object that never built.
    virtual void release() = 0;
    virtual int getType() const = 0;

    // Model matrix from this object's own position, rotation and scale.
    glm::mat4 localModelMatrix() const;

    // Every object gets a serial number that is never reused, so a script
    // handle can tell a live object from a deleted one at the same address.
    uint64_t getSerial() const { return serial; }
    // The object with this serial if it still exists, else null.
    static SceneObject* findLive(uint64_t serial);

    glm::vec3 position{0.0f};
    glm::vec3 rotation{0.0f};  // Euler degrees about X, Y, Z
    glm::vec3 scale{1.0f};
    bool visible = true;
    SceneObject* parent = nullptr;
    std::vector<SceneObject*> children;

protected:
    // Passes a render on to the visible children when this object is visible.
    void renderChildren(float time, const glm::mat4* matrix);

private:
    uint64_t serial;
};

// Why addChild refused a link; the first four would make releaseTree delete a
// node twice or loop, the last would let a tree grow deeper than the stack
// of the recursive traversals (and the ancestor walk of each link) can bear.
enum class LinkResult { Linked, ChildHasParent, ChildIsRoot, ChildIsParent, ChildIsAncestor, TreeTooDeep };

// The most levels a tree may have, counting its top node; no show comes near it.
inline constexpr int kMaxTreeLevels = 4096;

LinkResult addChild(SceneObject* parent, SceneObject* child);
// Unlinks the child (neither released nor deleted). False when it is not a child.
bool removeChild(SceneObject* parent, SceneObject* child);

// Depth first, parent before children; stops at the first failing build.
bool buildTree(Scene* scene, SceneObject* node);
// Children first: releases and deletes the subtree and clears the slot.
void releaseTree(SceneObject*& slot);
