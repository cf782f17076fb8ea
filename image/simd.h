// Highway's run-time dispatch for the vector kernels: TW_CHOSEN(F) is the function of the
// currently chosen target from the table HWY_EXPORT(F) made. Include after hwy/highway.h.
#pragma once

#include <hwy/highway.h>

#include <vector>

#include "image/kernels.h"

// True when only one target is compiled (WebAssembly SIMD128): no dispatch, no libhwy.
#define TW_ONE_TARGET ((HWY_TARGETS & (HWY_TARGETS - 1)) == 0)

#if TW_ONE_TARGET
#define TW_CHOSEN(F) HWY_DISPATCH_TABLE(F)[0]
#else
#define TW_CHOSEN(F) HWY_DISPATCH_TABLE(F)[hwy::GetChosenTarget().GetIndex()]
#endif

namespace tw {

// Calls visit(name) once for each target compiled for and supported by this CPU, with that
// target chosen so that TW_CHOSEN gives its functions; the CPU's own choice is restored after.
template <class Visit> void forEveryTarget(Visit visit) {
#if TW_ONE_TARGET
    visit(hwy::TargetName(HWY_STATIC_TARGET));
#else
    for (int64_t target : hwy::SupportedAndGeneratedTargets()) {
        // Highway chooses among the targets it is told the CPU has: one at a time.
        hwy::SetSupportedTargetsForTest(target);
        hwy::GetChosenTarget().Update(hwy::SupportedTargets());
        visit(hwy::TargetName(target));
    }
    hwy::SetSupportedTargetsForTest(0);
    hwy::GetChosenTarget().Update(hwy::SupportedTargets());
#endif
}

// {name, choose()} for every target forEveryTarget visits: the per-target functions of one
// kernel, for tests that hold each to its plain reference.
template <class Target, class Choose> std::vector<Target> everyTargetOf(Choose choose) {
    std::vector<Target> out;
    forEveryTarget([&](const char* name) { out.push_back({name, choose()}); });
    return out;
}

// For kernels kept outside the image kernel table: `plain` while the image kernels are forced
// plain, otherwise choose() (a TW_CHOSEN expression), evaluated once. The image table is built
// first, because that is where Highway's choice of target is made.
template <class F, class Choose> F chosenUnlessForced(F plain, Choose choose) {
    if (&kernels::active() == &kernels::scalarKernels()) return plain;
    static const F chosen = choose();
    return chosen;
}

} // namespace tw

// The block that ends a file holding one kernel F: exports F's per-target table and defines
// `chooser`, which puts the chosen target's F into the kernel table's `field`. Use it under
// `#if HWY_ONCE`, outside any namespace.
#define TW_EXPORT_KERNEL(F, field, chooser)                                                        \
    namespace tw::kernels {                                                                        \
    HWY_EXPORT(F);                                                                                 \
    void chooser(Kernels& t) {                                                                     \
        t.field = TW_CHOSEN(F);                                                                    \
    }                                                                                              \
    }

// The block that ends a file holding one kernel F kept outside the kernel table: exports F's
// per-target table and defines `chooser()` (the chosen target's F, or `plain` while the image
// kernels are forced plain) and `targets()` (every target's F by name, for the tests). Use it
// under `#if HWY_ONCE`, inside namespace tw.
#define TW_EXPORT_OWN_KERNEL(F, plain, chooser, Target, targets)                                   \
    HWY_EXPORT(F);                                                                                 \
    decltype(&plain) chooser() {                                                                   \
        return chosenUnlessForced(&plain, [] { return TW_CHOSEN(F); });                            \
    }                                                                                              \
    std::vector<Target> targets() {                                                                \
        return everyTargetOf<Target>([] { return TW_CHOSEN(F); });                                 \
    }
