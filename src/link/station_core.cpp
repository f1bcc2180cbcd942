#include "link/station_core.h"

namespace corvane {

StationCore::StationCore(Window* window)
    : m_records(std::make_shared<MessageRecords>()),
      m_dc09(std::make_shared<Dc09Settings>()),
      m_scripts(std::make_shared<answer::AnswerScripts>()),
      m_tally(std::make_shared<Tally>()),
      m_log(std::make_shared<ActivityLog>(m_station, m_station.window())),
      m_sessions{m_station,
                 *m_dc09,
                 *m_scripts,
                 m_queue,
                 *m_log,
                 m_serials,
                 FrameReader::Framing::SurGard},
      m_worker({m_station, m_station, m_queue, *m_log, *m_records, *m_tally}),
      m_client(m_sessions, m_station.window()),
      m_server(m_sessions, m_station, *m_log),
      m_control(m_station, *m_log, m_worker, m_client, m_server) {
    m_station.setCapabilities({m_records, m_dc09, m_scripts, m_tally, m_log});
    m_station.window().attach(window);
}

StationCore::~StationCore() {
    // Workers hold references to this core: they must all have ended before it goes away.
    m_station.window().attach(nullptr);
    m_control.shutdownLink();
}

}  // namespace corvane
