#include "status/StatusBoard.h"

namespace so {

StatusBoard::StatusBoard(ComponentContext& ctx)
    : sections_(ctx), masked_(ctx, sections_.masked()), decoder_(ctx, sections_, masked_),
      filler_(ctx, sections_, decoder_), dbRefresh_(ctx, sections_, filler_),
      intake_(ctx, sections_, decoder_, dbRefresh_, masked_, quiet_, recent_), replay_(ctx, decoder_, intake_),
      fullRefresh_(ctx, sections_, decoder_, filler_, replay_) {}

}  // namespace so
