#pragma once

#include "Cabinet.h"

#include <algorithm>

namespace Cabinet {

// Tells the caller's progress every megabyte and at the end; remembers a
// stop asked by the caller.
class Meter
{
public:
    Meter(const Progress& progress, qint64 total) : m_progress(progress), m_total(total) {}

    bool advance(qint64 done)
    {
        if (!m_progress || m_stopped)
            return !m_stopped;
        if (done < m_total && done - m_reported < kStep)
            return true;
        m_reported = done;
        m_stopped = !m_progress(std::min(done, m_total), m_total);
        return !m_stopped;
    }
    bool stopped() const { return m_stopped; }
    void finish()
    {
        if (m_progress && m_reported < m_total)
            m_progress(m_total, m_total);
    }

private:
    static constexpr qint64 kStep = qint64(1) << 20;
    const Progress& m_progress;
    qint64 m_total;
    qint64 m_reported = -1;
    bool m_stopped = false;
};

} // namespace Cabinet
