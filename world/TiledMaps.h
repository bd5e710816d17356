// TiledMaps: map folders to and from the JSON map format of the Tiled map editor (.tmj, with its
// tilesets as .tsj).
//
// Export: one object layer per segment ("layer 0", "layer 1", ...; empty ones too, so a layer's
// position is its number), one tile object per record with its exact position and size (a tile
// object's y in Tiled is its bottom edge), and an external image-collection tileset beside the map
// (same name, ".tsj") with one tile per kind: the kind's picture in the map folder's `_DATA/2DGFX/`,
// the kind name as the tile's type, and every DNA pair of the kind as a string property.
// Import: object layers of tile objects (a tile object without a size has its picture's size) and
// tile layers (one record per non-empty cell, the size of the tile's picture, bottom-left on the
// cell) in layer order, the layers of a group in its place, each shifted by its own and its groups'
// offsets (flipped tiles come in unflipped), embedded or external tilesets whose
// tiles are single pictures (image-collection tilesets); a kind is named by its picture's file name.
// The map folder gets its segments, "_", and in `_DATA/2DGFX/` each kind's picture and a DNA file
// made of the tile's properties. Sheet tilesets (one picture cut into tiles), compressed tile layer
// data, and infinite maps are refused with a message; a map that cannot be read writes nothing.
// The import reads only files inside the folder of the .tmj file (and its sub-folders): a tileset
// or picture named by an absolute path elsewhere, by ".." past that folder or through a link that
// leads out of it is refused with a message. Pictures must be regular files of a known image format
// within the image size caps. All of them are read before anything is written, and the map folder
// is written whole or not at all (a folder the import made is removed again when it fails).
// The export writes the map as it goes (its memory follows the map, not the JSON document), and
// copies a kind's picture that lies outside the .tmj file's folder into "<name>_pictures/" beside
// the tileset, so that the exported map imports back.
// Depends on: world/MapFormat.h, world/DnaFile.h, platform/TextIo.h, platform/ImageFiles.h, nlohmann-json.
#pragma once

#include <string>

namespace world {

struct TiledResult {
    bool ok = false;
    std::string message; // what went wrong, or a summary of what was done
    int objects = 0;     // records written or exported
    int kinds = 0;       // tile kinds
};

// Writes map folder `mapFolder` as the Tiled map `tmjPath` and its tileset (`tmjPath` with ".tsj").
// The kinds' pictures and DNA files are taken from `kindFolder` ("" = the map folder's
// `_DATA/2DGFX/`); the tileset refers to the pictures where they are when that is inside the .tmj
// file's folder, else to their copies.
TiledResult exportTiledMap(const std::string& mapFolder, const std::string& tmjPath,
                           const std::string& kindFolder = "");

// Reads the Tiled map `tmjPath` and writes it as map folder `mapFolder` (made when missing).
TiledResult importTiledMap(const std::string& tmjPath, const std::string& mapFolder);

} // namespace world
