// The counting half of the box's callback object, as every front end's sink has it: the count
// starts at 0 (whoever keeps the sink takes the first reference), QueryInterface answers for
// IUnknown and the sink's own id, and the last Release deletes it. Notify is the front end's.
#pragma once
#include <atomic>
#include "interface/EmulatorInterfaces.h"

class CountedSink : public EmulatorSink {
public:
    CountedSink() = default;
    CountedSink(const CountedSink&) = delete;
    CountedSink& operator=(const CountedSink&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

protected:
    virtual ~CountedSink() = default;  // only Release deletes

private:
    std::atomic<LONG> count_{0};
};
