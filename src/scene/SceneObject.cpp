// Scene object base and tree traversals. The live-object table is touched on
// the main thread only (objects are made and deleted there).
#include "scene/SceneObject.h"

#include "scene/ViewMath.h"

#include <algorithm>
#include <unordered_map>

namespace {
uint64_t nextSerial = 1;

std::unordered_map<uint64_t, SceneObject*>& liveObjects() {
    static std::unordered_map<uint64_t, SceneObject*> table;
    return table;
}
} // namespace

SceneObject::SceneObject() : serial(nextSerial++) { liveObjects()[serial] = this; }

SceneObject::~SceneObject() { liveObjects().erase(serial); }

SceneObject* SceneObject::findLive(uint64_t id) {
    auto it = liveObjects().find(id);
    return it == liveObjects().end() ? nullptr : it->second;
}

void SceneObject::update(float step) {
    if (!visible) return;
    for (SceneObject* child : children) child->update(step);
}

void SceneObject::render(float time, const glm::mat4* parentMatrix) { renderChildren(time, parentMatrix); }

void SceneObject::renderChildren(float time, const glm::mat4* matrix) {
    if (!visible) return;
    for (SceneObject* child : children)
        if (child->visible) child->render(time, matrix);
}

glm::mat4 SceneObject::localModelMatrix() const { return ViewMath::modelMatrix(position, rotation, scale); }

namespace {
// Levels from `node` down to its deepest descendant (1 for a leaf), walked
// without recursion; stops counting once it passes `limit`.
int subtreeLevels(const SceneObject* node, int limit) {
    int deepest = 0;
    std::vector<std::pair<const SceneObject*, int>> pending{{node, 1}};
    while (!pending.empty() && deepest <= limit) {
        auto [at, level] = pending.back();
        pending.pop_back();
        deepest = std::max(deepest, level);
        for (const SceneObject* child : at->children) pending.emplace_back(child, level + 1);
    }
    return deepest;
}
} // namespace

LinkResult addChild(SceneObject* parent, SceneObject* child) {
    if (child == parent) return LinkResult::ChildIsParent;
    if (child->getType() == kSceneRootType) return LinkResult::ChildIsRoot;
    if (child->parent) return LinkResult::ChildHasParent;
    // Every tree keeps within the limit, so this walk and the recursive
    // traversals below stay short.
    int parentLevel = 1;
    for (SceneObject* up = parent->parent; up; up = up->parent) {
        if (up == child) return LinkResult::ChildIsAncestor;
        ++parentLevel;
    }
    if (subtreeLevels(child, kMaxTreeLevels - parentLevel) > kMaxTreeLevels - parentLevel) return LinkResult::TreeTooDeep;
    parent->children.push_back(child);
    child->parent = parent;
    return LinkResult::Linked;
}

bool removeChild(SceneObject* parent, SceneObject* child) {
    auto it = std::find(parent->children.begin(), parent->children.end(), child);
    if (it == parent->children.end()) return false;
    parent->children.erase(it);
    child->parent = nullptr;
    return true;
}

bool buildTree(Scene* scene, SceneObject* node) {
    if (!node->build(scene)) return false;
    for (SceneObject* child : node->children)
        if (!buildTree(scene, child)) return false;
    return true;
}

void releaseTree(SceneObject*& slot) {
    if (!slot) return;
    for (SceneObject*& child : slot->children) releaseTree(child);
    slot->release();
    delete slot;
    slot = nullptr;
}
