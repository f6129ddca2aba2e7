#pragma once
// The stage's display list, shared by its timelines (swf_timeline.cpp), its
// buttons (swf_buttons.cpp) and its drawing (swf_stage.cpp): each timeline
// instance keeps its objects by depth, a sprite object its own instance, a
// button object one for each sprite among the parts of the state it shows.

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "swf/swf_edit_field.h"
#include "swf/swf_stage.h"

namespace fh {

enum class SwfButtonState : std::uint8_t { Up, Over, Down };

struct SwfStage::Object {
    std::uint16_t character = 0;
    SwfMatrix matrix;
    SwfColorTransform colorTransform;
    std::uint16_t ratio = 0;
    std::uint16_t clipDepth = 0;
    std::shared_ptr<Instance> sprite;
    std::shared_ptr<const SwfFilterList> filters;
    RasterBlend blend = RasterBlend::Normal;
    bool cacheAsBitmap = false;
    bool visible = true;
    bool scripted = false;  // placed or moved by a script: the timeline's gotos leave it
    // A script set its position, scale, rotation or colour: from then on the
    // timeline's placements no longer move or tint it, as in Flash.
    bool transformedByScript = false;
    // A script set its filters, blend mode or caching: the placements' are no longer taken.
    bool effectsByScript = false;
    // The rotation a script set, read back as set (the matrix would give
    // it back with rounding errors); NaN when the matrix says.
    double rotation = std::numeric_limits<double>::quiet_NaN();
    std::optional<SwfColor> background;
    std::string name;
    int placeFrame = 0;        // the frame whose placement made it: a goto back keeps it only if that one still does
    std::uint32_t serial = 0;  // tells it from a later object at the same depth
    SwfButtonState buttonState = SwfButtonState::Up;
    // A button's: for each part of the state `partsState` (in the order of
    // the button's list for it), the instance of a sprite part, none for others.
    std::vector<std::shared_ptr<Instance>> parts;
    SwfButtonState partsState = SwfButtonState::Up;
    std::shared_ptr<const std::vector<SwfClipAction>> clipActions;  // the placement's onClipEvent handlers
};

struct SwfStage::Instance : std::enable_shared_from_this<SwfStage::Instance> {
    const SwfTimeline* timeline = nullptr;
    SwfTimelineId id = 0;  // scripts name it so
    int frame = 0;  // 0-based, the frame on show
    bool playing = true;
    bool removed = false;        // taken off the display list (its actions no longer run)
    bool unloadQueued = false;   // held by its timeline's removal, its unload already queued
    Instance* parent = nullptr;  // none for the root, and once removed
    int nesting = 0;
    std::map<ListKey, Object> list;
    // The objects on the list by SwfNameKey and depth: a target path finds
    // the lowest of a name without walking the list.
    std::set<std::pair<std::string, ListKey>> named;
    std::uint16_t character = 0;  // the sprite's id (0: the root or an empty clip)
    // setMask: the clip that masks this one, and the one this one masks.
    std::weak_ptr<Instance> maskedBy, masks;
    std::shared_ptr<const std::vector<SwfClipAction>> clipActions;
    // An edit text's: scripts see the field as a timeline with nothing on its list.
    std::shared_ptr<SwfEditField> edit;
    // A button's: scripts see it as a timeline too, and the button's definition.
    const SwfButton* button = nullptr;
    std::string partName;  // a sprite among a button's parts: the name scripts know it by
    // What scripts drew on it, below its objects.
    std::unique_ptr<SwfDrawnShape> drawn;
};

// What a placement sets, from one object to another that stays as it is.
void CopyPlacementOf(SwfStage::Object& to, const SwfStage::Object& from);
// Whether a point is inside a path's contours (curves flattened), by the
// fill rule; each point spends the budget (swf_buttons.cpp).
bool SwfPathContains(const SwfPath& path, SwfPoint p, bool nonZero, std::uint64_t& budget);

// An action list waiting to run for the timeline it belongs to.
struct SwfStage::Queued {
    std::weak_ptr<Instance> base;
    std::uint32_t block = 0;
    // An event for the scripts' handlers instead of a list (kNoBlock).
    std::uint32_t event = 0;
    // A removed clip's unload: it runs though the clip is gone, and the
    // scripts hear of the removal after it.
    std::shared_ptr<Instance> unloading;
};

}  // namespace fh
