#include "app/numbering/ImageTreePaths.h"

#include <sys/stat.h>

std::string PhotoFileName(int counter) { return "img" + std::to_string(counter) + ".jpg"; }

ImageTreePaths ImageTreePaths::For(const std::string& databasePath,
                                   const std::string& operatorName, int filmNumber, int counter) {
  ImageTreePaths paths;
  paths.imagesFolder = databasePath + "images";
  paths.operatorFolder = paths.imagesFolder + "/" + operatorName;
  paths.filmFolder = paths.operatorFolder + "/" + std::to_string(filmNumber);
  paths.filePath = paths.filmFolder + "/" + PhotoFileName(counter);
  return paths;
}

void ImageTreePaths::CreateFolders() const {
  for (const std::string* folder : {&imagesFolder, &operatorFolder, &filmFolder})
    ::mkdir(folder->c_str(), 0777);
}
