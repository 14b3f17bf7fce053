#pragma once

namespace velcora {

/// The kind of synth a model belongs to, which fixes its preset dump sizes and its working
/// folder. The values are those of the model table.
enum class TModelClass {
    Unknown = 0,
    Audity = 1,
    Proteus = 2,        ///< the Proteus 2000 family
    CommandStation = 3, ///< the Command Station family (XL-7, MP-7, PX-7, Proteus 2500)
};

} // namespace velcora
