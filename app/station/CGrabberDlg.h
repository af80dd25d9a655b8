#pragma once

#include "app/counter/CRemoteCounterClient.h"
#include "app/external/CExternalFunctions.h"
#include "app/counter/CounterSettings.h"
#include "app/counter/PresetExchange.h"
#include "app/numbering/CPhotoNumbering.h"
#include "app/numbering/ImageTreePaths.h"
#include "app/station/CxImageRefList.h"
#include "app/station/PeriodicTimer.h"
#include "app/station/ShotStages.h"
#include "app/station/ShownImage.h"
#include "app/station/SingleSlotWorker.h"
#include "app/station/StationStatus.h"
#include "camera/PylonCamera.h"
#include "camera/WatchDogTimer.h"
#include "color/ColorTransformer.h"
#include "platform/Event.h"
#include "platform/ProfileStore.h"
#include "platform/SerialPort.h"
#include "platform/TimerQueue.h"
#include "pixlib/codecs/PhotoJpeg.h"
#include "pixlib/core/CxImage.h"
#include "layout/CLayoutList.h"
#include "records/CFoto.h"
#include "records/RecordWriter.h"
#include "remote/StationFeed.h"
#include "odbc/DatabaseSettings.h"
#include "trigger/CFlash.h"
#include "trigger/CPylonTrigger.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class CGrabberApp;
class IStationHost;
class StationRemoteHost;
namespace remote {
class RemoteService;
}

// The station's core: the camera itself (it receives the frames), the owner of
// the frame queue and the processing thread, and the state the pages show. It
// holds no user-interface type; the window or the headless runner is its host.
class CGrabberDlg : public CPylonCamera, public IPresetHost {
 public:
  enum Page { ControlPage = 0, GeneralSetupPage, CameraSetupPage, ColorSetupPage, LayoutSelectorPage };
  enum Preset { PresetNormal = 0, PresetLowLight, PresetHighLight };
  static constexpr int kQueueLimit = 100;
  static constexpr int kReconnectPeriodMs = 5000;
  // How long closing waits for the captured frames still queued to be saved.
  static constexpr int kDrainLimitMs = 10000;

  // The station owns its serial port (trigger input, flash, external counter);
  // without one given it opens the port named by "Serial Port".
  CGrabberDlg(CGrabberApp& app, IStationHost& host, std::unique_ptr<bx::SerialPort> serialPort = nullptr);
  ~CGrabberDlg() override;

  // Window start: connects the camera and starts grabbing. False when the
  // window must end at once (the "Restart" rule); the application then restarts the machine.
  bool OnInitDialog();
  // Window end, and what a restart runs first: stops the timer, grabbing, the
  // trigger, the processing thread (and the finisher) and the record writer.
  void OnDestroy();

  bool ConnectCamera();
  // Every start and stop (the reconnect, the grabbing switch, closing) runs
  // under one lock, so two of them never meet. The camera counts as connected
  // from the end of a start that got it grabbing until the next start or stop.
  void StartStop(bool start);
  // The grabbing switch: starts or stops accordingly.
  void SetGrabbing(bool on);
  // Applies a preset at once (the control page's preset box), under the
  // connect lock so that no reconnect loads the camera's settings meanwhile.
  virtual void ApplyPreset(int preset);
  // The film-number service's preset command: applied on the station's own thread.
  void RequestPreset(int preset) override;
  int GetPreset() override { return m_preset; }
  // Stores the camera's features, post gamma, rotation and exposure settings
  // in the active preset's set of the properties file; false (and logged)
  // when the file cannot be read or written.
  bool SavePresetCameraSettings();
  // Holds the camera's lifecycle lock and m_lock; a setting the camera
  // refuses is logged, never thrown to the caller.
  void SetLiveMode(bool on);
  void SoftwareShot(bool flag);
  // The control page's shot button: lifts the "-p" suppression, then shoots.
  void ShotButton();
  // The control page's trigger-restart button.
  void RestartTrigger();
  void PulseExternalCounter(int n);
  // The general set-up page's trigger fields.
  void SetTriggerSettings(const TriggerSettings& settings, bool save);
  TriggerSettings GetTriggerSettings() const;
  bool TestDatabaseConnection();

  // A page became active: sets the capture/set-up mode flags as that page asks.
  void OnPageActivated(int page);
  int ActivePage() const { return m_activePage; }

  void GetDatabaseSettings(std::string& server, std::string& path, std::string& op, std::string& file) const;
  void SetDatabaseSettings(const std::string& server, const std::string& path, const std::string& op,
                           const std::string& file);

  // What the pages show.
  std::string Status() const;
  // Why the last photo was not saved; empty once one was.
  std::string SaveProblem() const;
  // The state the control page shows and the headless status lines print.
  StationStatus CurrentStatus() const;
  // What the last preset switch found wanting ("no saved settings"); empty when nothing.
  std::string PresetNote() const;
  int SavedCount() const { return m_savedCount; }
  int QueuedFrames() const { return m_frameQueue.GetCount(); }
  bool IsCameraConnected() const { return m_cameraConnected; }
  bool IsLiveMode() const { return m_liveMode; }
  bool IsCaptureMode() const { return m_captureMode; }
  bool IsReconnecting() const { return m_reconnectTimer.IsRunning(); }
  int ReconnectPeriodMs() const { return m_reconnectPeriodMs; }
  // How often the camera went away since the station started.
  int CameraLosses() const { return m_cameraLosses; }
  std::string Title() const;

  // The applied colour settings (a copy), and the colour page's transformer:
  // the settings being edited, used for the frames of set-up pages 2 and 3.
  CColorTransformer GetColorTransformer() const;
  void SetPageColorTransformer(const CColorTransformer& transformer);
  // The colour page's settings become the applied ones and are saved with the
  // active preset; false when the properties file could not be written.
  bool StoreColorSettings(const CColorTransformer& transformer);
  // Processes the last set-up frame again with the colour page's settings and
  // shows it; false when no set-up frame was taken yet.
  bool PreviewPageColour();

  // The general set-up page's database fields: "Database Type" and "ODBC Default Connection".
  DatabaseSettings GetDatabaseConnection() const;
  void SetDatabaseConnection(int databaseType, const std::string& connection);

  // The layout selector page. The list, loaded when first asked for once the
  // database answers (null before; then kept for the life of the station);
  // the layout given to new photos; the operator's choice, remembered as
  // "Last Layout ID"; the settings compositions are made with.
  CLayoutList* LayoutList();
  CLayoutObject SelectedLayout() const;
  void SelectLayout(long id);
  CompositionOptions ReadCompositionOptions() const;
  // The file of the last photo saved, or "", and its counter.
  std::string LastPhotoPath() const;
  int LastPhotoCounter() const;
  // How long each stage of the last photo saved took.
  ShotStages LastShotStages() const;

  // The HTTP service's view of the station: a copy of its state.
  remote::StationSnapshot RemoteSnapshot() const;
  // The service's shot, through the Shot button's path: the refusal's reason, or "".
  std::string RemoteShot();
  // Out of service, every shot and trigger is ignored (each logged and counted)
  // until the station is back in service; the state is kept as a setting.
  void SetInService(bool inService, const std::string& reason);
  bool IsInService() const { return m_inService; }
  // What the station hands the HTTP service: events, counts, live frames.
  remote::StationFeed& Feed() { return m_feed; }
  // The port the HTTP service listens on, 0 when it does not run.
  int RemotePort() const;

  void OnNewImage(IplImage* frame, ImageOwnership kind) override;
  void OnDeviceRemoved() override;

 protected:
  // The reconnect timer's period; tests shorten it (also through "BX_RECONNECT_PERIOD_MS").
  int m_reconnectPeriodMs;

  // Hands a frame the core does not keep back to the camera.
  virtual void ReleaseFrame(IplImage* frame, ImageOwnership kind);
  // The colour stage of each frame: writes m_outputImage from m_currentImage.
  virtual void ApplyColour(bool final);
  // The motion trigger's second video source ("Video Device Index" 0 or more).
  virtual std::unique_ptr<IVideoSource> MakeVideoSource();

 private:
  // What the engine reaches of the station: its shots give up while the engine stops.
  class TriggerHost final : public ITriggerHost {
   public:
    explicit TriggerHost(CGrabberDlg& station) : m_station(station) {}
    void SoftwareShot(bool flag) override { m_station.TriggeredShot(flag); }
    // The engine leaves live mode only for the shot its video trigger releases.
    void SetLiveMode(bool on) override {
      if (on)
        m_station.SetLiveMode(true);
      else
        m_station.LeaveLiveModeForShot();
    }
    bool IsLiveMode() const override { return m_station.IsLiveMode(); }

   private:
    CGrabberDlg& m_station;
  };

  void LoadSettings();
  void StopEverything();
  void StopPresetQueue();
  // Logs `why` and starts the reconnect timer unless it runs.
  void StartReconnecting(const std::string& why);
  void Reconnect();
  // The connected (or last connected) camera, for the log.
  std::string CameraName() const;
  std::unique_ptr<CPylonTrigger> MakeTrigger();
  void OpenSerialPort();
  void KeepLivePreviewRunning();
  // "External Functions" resolved; empty when unset and not installed.
  std::string ExternalFunctionsPath();
  // A shot of the trigger engine: it gives up waiting for a reconnect to end
  // when the engine is being stopped (by that reconnect, possibly).
  void TriggeredShot(bool flag);
  // `source` names where the shot came from, for the counts and the log.
  void Shoot(bool flag, const std::function<bool()>& giveUp, const std::string& source);
  // Out of service: a shot from `source` is logged and counted, and not taken.
  void IgnoreShot(const std::string& source);
  std::string TriggerSourceName() const;
  // The state before the service state is considered.
  StationStatus OperatingStatus() const;
  // The HTTP service, as "Remote Settings" say; it never stops the station from running.
  void StartRemoteService();
  void StopRemoteService();
  void SetTitle(const std::string& title);
  void SetPresetTitle();
  void StartProcessing();
  void StopProcessing();
  void ProcessFrames();
  void ProcessFrame(CxImage* frame);
  bool ShrinkForSetup(CxImage*& frame);
  void RotateCurrentImage();
  bool PrepareOutputImage();
  void QueueFrame(IplImage* frame, ImageOwnership kind);
  void ShowLiveFrame(IplImage* frame, ImageOwnership kind);
  void SetStatus(const std::string& status);
  // Status "Ko", the reason logged and kept for SaveProblem.
  void RefuseSave(const std::string& reason);
  void ReportSaveProblem(const std::string& logPrefix, const std::string& reason);
  // A save begun before the colour stage: the settings checked, the counter asked for.
  struct PendingSave {
    int filmNumber = 0;
    std::string databasePath;
    std::string operatorName;
    std::future<std::optional<PhotoNumber>> number;
    // Why the photo is not saved, once it is known; reported by the processing
    // thread after the photo before it is finished.
    std::string refusal;
  };
  // A photo whose JPEG is written, handed to the finisher for the rest of its save.
  struct WrittenPhoto {
    CFoto record;
    int counter = 0;
    ImageTreePaths paths;
    std::string databasePath;
    ShotRecorder::Target records;
    ShotStages stages;
    std::chrono::steady_clock::time_point queuedAt;
    std::shared_ptr<PhotoJpeg> jpeg;  // written, its thumbnail still to be appended
  };
  // The refusal is set when the save is refused before a counter is taken.
  PendingSave BeginSave();
  // The save from the counter to the JPEG written beside the photo's place;
  // nothing, and the refusal set, when the photo is not to be saved.
  std::optional<WrittenPhoto> WriteSave(PendingSave& save);
  // Writes m_outputImage to the photo's hidden partial file, its sync deferred;
  // the reason when it could not.
  std::optional<std::string> WriteJpeg(const ImageTreePaths& paths, PhotoJpeg& jpeg);
  // The finisher's part of a photo: saved, recorded and shown, in the order handed over.
  void FinishPhoto(WrittenPhoto& photo);
  // True when the photo is in place with its record journaled; else reported.
  bool CompleteSave(WrittenPhoto& photo);
  // Embeds the thumbnail, made from the written JPEG, and renames the photo
  // into place once it and the record `journal` keeps alongside are on disk;
  // the reason when it could not.
  std::optional<std::string> PutPhotoInPlace(const ImageTreePaths& paths, PhotoJpeg& jpeg,
                                             const std::function<void()>& journal, ShotStages& stages);
  // Why the photo of `counter` was not saved; partial files of earlier saves are removed.
  std::string UnsavedPhotoReason(const ImageTreePaths& paths, int counter, const std::string& problem);
  int ReadInt(const char* section, const char* key, int defaultValue);
  std::string ReadString(const char* section, const char* key, const std::string& defaultValue);
  std::string PropertiesFileName() const;
  // An older installation kept the presets beside the program: copied once to the settings folder.
  void AdoptOldPresetsFile();
  // Says in the window when the preset has no saved settings to load.
  void NotePresetSettings(int preset);
  void SetPresetNote(const std::string& note);
  std::string NoCameraReason() const;
  // A captured photo as the host is told of it, saved or not.
  ShownImage DescribeCapture(bool saved) const;
  // The frame of a set-up page before colour processing, for PreviewPageColour.
  void KeepSetupFrame(const CxImage& frame);
  // The preset's element in the properties file.
  static std::string PresetSet(int preset);

  // Runs a camera call from the dialog's side; the SDK's exceptions are logged with `what`.
  template <class Call>
  void TryOnCamera(const char* what, Call call);
  void LogExposureNodes();

  // Seams for subsystems that later work builds.
  bool StartTriggerEngine();
  void StopTriggerEngine();
  bool IsTriggerSuspended() const;
  void SetTriggerSuspended(bool suspended);
  void ArmVideoTrigger();
  // True when the preview triggered the video motion trigger; it then shows the difference.
  bool VideoDetectsMotion(CxImage& preview);
  // Live frames still on their way when live mode ends are no shots: they are
  // dropped until the shot's software trigger.
  void LeaveLiveModeForShot();
  // The watchdog, or none when "Watchdog Tolerance" is 0.
  std::unique_ptr<CWatchDogTimer> MakeWatchdog();
  // A unit of work of one of the station's threads, watched for "Watchdog Tolerance".
  CWatchedSection WatchSection(const char* thread);
  // Under a service manager: READY once the camera is up, then watchdog pings
  // while every watched thread reports.
  void StartServiceNotices();
  void StopServiceNotices();
  void NotifyService();
  void LoadPresetCameraProperties(int preset);
  void LoadPresetFlash(int preset);
  bool FlashState() const;
  void SetFlash(bool on);
  void LoadPresetColour(int preset);
  void LoadExternalFunctions();
  bool OpenDatabase(const std::string& dsn, const std::string& user, const std::string& password);
  void ResetExternalCounter();
  // Where the numbers come from: "ServerName", or this station's own server when it is empty.
  std::string CounterServer(const std::string& serverName);
  void CallPreSave(CFoto& photo);
  // Once the database answers: the layout list and the selected layout ("Last Layout ID").
  void LoadLayoutList();
  // The list's layout of that id, or a default layout when it cannot be composed.
  CLayoutObject UsableLayout(const CLayoutList& list, long id);
  // The record of a numbered shot: its identity and the default layout parameters.
  CFoto NewPhotoRecord(const std::string& operatorName, int film, const PhotoNumber& number);
  // Where the records of shots go: the database settings and the photo folder.
  ShotRecorder::Target RecordTarget(const std::string& databasePath);
  // A photo in place whose record could not be journaled: not reported saved; its
  // row goes to the database directly when it answers.
  void RecordUnjournaledPhoto(const CFoto& photo, const ShotRecorder::Target& records,
                              const std::string& path);
  // Removes the partial files older than this station below `folder`.
  void RemoveStalePartialFiles(const std::string& folder);
  // The record writer fell behind (records pending) or caught up (0).
  void OnRecordBacklog(std::size_t pending);
  bool IsLayoutListLoaded() const;

  CGrabberApp& m_app;
  IStationHost& m_host;
  remote::StationFeed m_feed;

  std::string m_serverName;
  std::string m_status = "Idle";
  std::atomic<int> m_showDelay{0};
  std::atomic<int> m_triggerDelay{0};
  std::string m_operatorName;
  std::string m_databasePath;
  std::string m_databaseFile;
  std::atomic<bool> m_cameraConnected{false};
  std::atomic<bool> m_triggerThread{false};
  CxImageRefList m_frameQueue;
  CxImage* m_currentImage = nullptr;
  CxImage m_outputImage;
  CxImage m_thumbnailImage;  // of the photo being finished, shown in its place (the finisher's)
  CxImage m_previewImage;
  std::atomic<bool> m_captureMode{true};
  std::atomic<bool> m_liveMode{false};
  bool m_savedFlashState = false;
  std::thread m_processingThread;
  bx::Event m_processingEnded{bx::Event::ResetMode::Manual, true};
  std::mutex m_lock;
  bx::Event m_frameEvent{bx::Event::ResetMode::Manual, true};
  std::atomic<int> m_preset{PresetNormal};
  // Applies the presets the film-number service asks for; made at the first request.
  std::mutex m_presetQueueLock;
  std::unique_ptr<bx::TimerQueue> m_presetQueue;
  AppCounterSettings m_counterSettings;  // read by the numbering on every photo
  CRemoteCounterClient m_counterClient;
  std::unique_ptr<bx::SerialPort> m_serialPort;
  SystemNumberingClock m_numberingClock;
  CPhotoNumbering m_numbering;
  PeriodicTimer m_reconnectTimer;
  // The reconnect runs on the timer's thread: a shot waits until it is over, so
  // that it never reaches a camera that is open but not yet grabbing. Held by
  // every start and stop.
  std::recursive_mutex m_connectLock;
  // Starting the reconnect timer against closing, which kills it for good,
  // and against a reconnect that ends it.
  std::mutex m_timerLock;
  // A loss came in since the last connect began: the reconnect timer carries on.
  bool m_cameraLost = false;
  std::string m_loggedExposureNodes;
  std::atomic<int> m_savedCount{0};
  std::atomic<int> m_cameraLosses{0};
  std::atomic<int> m_activePage{ControlPage};
  mutable std::mutex m_colorLock;  // both transformers; a frame works on a copy
  CColorTransformer m_colorTransformer;
  CColorTransformer m_pageColorTransformer;
  mutable std::mutex m_setupFrameLock;
  CxImage m_setupFrame;
  mutable std::mutex m_stateLock;  // m_status and the title, read by the host's thread
  std::string m_title;
  std::string m_cameraName;
  std::string m_saveProblem;
  std::string m_lastPhotoPath;
  int m_lastPhotoCounter = 0;
  std::string m_presetNote;
  std::string m_cameraModel;
  std::string m_cameraSerial;
  std::string m_cameraTransport;
  std::chrono::system_clock::time_point m_lastPhotoSavedAt;
  std::string m_serviceReason;
  std::atomic<bool> m_inService{true};
  // When the frame being processed was queued (processing thread only).
  std::chrono::steady_clock::time_point m_frameQueuedAt;
  std::unique_ptr<StationRemoteHost> m_remoteHost;
  std::unique_ptr<remote::RemoteService> m_remoteService;
  // Records the database has not taken yet, as the record writer last reported.
  std::atomic<std::size_t> m_recordsWaiting{0};
  std::atomic<bool> m_destroyed{false};
  const std::filesystem::file_time_type m_startTime = std::filesystem::file_time_type::clock::now();
  std::once_flag m_destroyOnce;
  CFlash m_flash;
  CExternalFunctions m_externalFunctions;
  // The library's "PreSave", set on the UI thread and called on the processing thread.
  std::mutex m_preSaveLock;
  std::function<void(BxPhotoData&)> m_preSave;
  bx::ProfileStore m_triggerProfile;
  std::unique_ptr<TriggerHost> m_triggerHost;
  std::unique_ptr<CPylonTrigger> m_trigger;
  RecordWriter m_recordWriter;
  // The layout list and the layout copied into every photo; the processing thread
  // and the pages both use them.
  mutable std::mutex m_layoutLock;
  std::unique_ptr<CLayoutList> m_layoutList;
  CLayoutObject m_layout;
  std::atomic<bool> m_discardUntilShot{false};
  unsigned m_watchTicks = 0;
  std::unique_ptr<CWatchDogTimer> m_watchdog;
  std::unique_ptr<ShotStageClock> m_stages;
  PeriodicTimer m_serviceTimer;
  bool m_serviceReady = false;  // on the service timer's thread only
  // Finishes each photo once its JPEG is written while the processing thread
  // goes on with the next frame. Last: it stops before the members its jobs use.
  SingleSlotWorker m_finisher{"bx-finisher"};
};
