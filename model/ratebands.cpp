#include "model/ratebands.h"

#include "model/kelmorafillingdata.h"

#include <algorithm>
#include <vector>

RateBand rateBand(double ratePercent)
{
    if (ratePercent < rateBandLow)
        return RateBand::Below;
    if (ratePercent > rateBandHigh)
        return RateBand::Above;
    return RateBand::Within;
}

double RateBandCounts::withinShare() const
{
    const int n = total();
    return n > 0 ? double(within) / n : -1.0;
}

namespace {

void tally(RateBandCounts& counts, RateBand band)
{
    switch (band) {
    case RateBand::Below: ++counts.below; break;
    case RateBand::Within: ++counts.within; break;
    case RateBand::Above: ++counts.above; break;
    }
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    const size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    if (values.size() % 2)
        return values[middle];
    const double upper = values[middle];
    const double lower = *std::max_element(values.begin(), values.begin() + middle);
    return (lower + upper) / 2;
}

} // namespace

RateBands rateBands(const KelmoraFillingData* records, int count)
{
    RateBands bands;
    std::vector<double> rates;
    rates.reserve(size_t(qMax(count, 0)));
    for (int i = 0; i < count; ++i) {
        const KelmoraFillingData& record = records[i];
        const RateBand band = rateBand(record.ratePercent);
        tally(bands.all, band);
        tally(record.levelCode >= upperLevelClass ? bands.upperLevels : bands.lowerLevels, band);
        rates.push_back(record.ratePercent);
    }
    bands.medianRate = median(std::move(rates));
    return bands;
}
