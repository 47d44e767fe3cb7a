// The film's title, year and part guessed from real-world-style video names.

#include <gtest/gtest.h>

#include <cctype>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "FilmName.h"

namespace velkaro {
namespace {

struct TNameCase {
  const char* Path;
  const char* Title;
};

// Names as they turn up on disks and in release listings: decades, languages,
// brackets, years in titles, parts, release groups, folders.
const TNameCase kNames[] = {
    // plain scene names
    {"The.Matrix.1999.720p.BluRay.x264-SPARKS.mkv", "The Matrix"},
    {"The.Matrix.Reloaded.2003.DVDRip.XviD-DiAMOND.avi", "The Matrix Reloaded"},
    {"Inception.2010.1080p.BluRay.x264.DTS-FGT.mkv", "Inception"},
    {"Casablanca.1942.720p.BluRay.x264-CiNEFiLE.mkv", "Casablanca"},
    {"Citizen.Kane.1941.DVDRip.XviD.avi", "Citizen Kane"},
    {"Psycho.1960.REMASTERED.1080p.BluRay.x265-RARBG.mp4", "Psycho"},
    {"Vertigo.1958.1080p.BluRay.DTS.x264-CtrlHD.mkv", "Vertigo"},
    {"The.Godfather.1972.720p.BRRip.XviD.AC3-ViSiON.avi", "The Godfather"},
    {"The.Godfather.Part.II.1974.DVDRip.avi", "The Godfather Part II"},
    {"Taxi.Driver.1976.REMASTERED.720p.BluRay.x264-AMIABLE.mkv", "Taxi Driver"},
    {"Alien.1979.Directors.Cut.1080p.BluRay.x264.mkv", "Alien"},
    {"Aliens.1986.Special.Edition.DVDRip.XviD.avi", "Aliens"},
    {"Blade.Runner.1982.The.Final.Cut.1080p.BluRay.mkv", "Blade Runner"},
    {"Back.to.the.Future.1985.720p.BrRip.x264.YIFY.mp4", "Back to the Future"},
    {"Die.Hard.1988.PROPER.DVDRip.XviD-NODLABS.avi", "Die Hard"},
    {"Goodfellas.1990.1080p.BluRay.x264-HDEX.mkv", "Goodfellas"},
    {"The.Silence.of.the.Lambs.1991.DVDRip.XviD-FRAGMENT.avi", "The Silence of the Lambs"},
    {"Pulp.Fiction.1994.720p.BluRay.DD5.1.x264-EbP.mkv", "Pulp Fiction"},
    {"The.Shawshank.Redemption.1994.REPACK.1080p.BluRay.x264.mkv", "The Shawshank Redemption"},
    {"Fargo.1996.LIMITED.DVDRip.XviD-RETRO.avi", "Fargo"},
    {"Titanic.1997.CD1.DVDRip.XviD.avi", "Titanic"},
    {"Fight.Club.1999.10th.Anniversary.Edition.1080p.BluRay.mkv", "Fight Club"},
    {"American.Beauty.1999.UNRATED.DVDRip.avi", "American Beauty"},
    {"Gladiator.2000.EXTENDED.REMASTERED.1080p.BluRay.mkv", "Gladiator"},
    {"Memento.2000.DVDRip.XviD-DEiTY.avi", "Memento"},
    {"Amelie.2001.FRENCH.DVDRip.XviD-AiRLiNE.avi", "Amelie"},
    {"Spirited.Away.2001.JAPANESE.1080p.BluRay.x264.mkv", "Spirited Away"},
    {"City.of.God.2002.720p.BluRay.x264.mkv", "City of God"},
    {"Oldboy.2003.KOREAN.720p.BluRay.x264-WiKi.mkv", "Oldboy"},
    {"Kill.Bill.Vol.1.2003.DVDRip.XviD-DMT.avi", "Kill Bill Vol 1"},
    {"Kill.Bill.Vol.2.2004.720p.BluRay.x264.mkv", "Kill Bill Vol 2"},
    {"Eternal.Sunshine.of.the.Spotless.Mind.2004.DVDRip.avi", "Eternal Sunshine of the Spotless Mind"},
    {"The.Departed.2006.720p.HDDVD.x264-SiNNERS.mkv", "The Departed"},
    {"No.Country.for.Old.Men.2007.DVDSCR.XviD-mVs.avi", "No Country for Old Men"},
    {"The.Dark.Knight.2008.IMAX.1080p.BluRay.x264.mkv", "The Dark Knight"},
    {"Avatar.2009.Extended.Collectors.Edition.1080p.BluRay.mkv", "Avatar"},
    {"The.Social.Network.2010.720p.BluRay.x264-AMIABLE.mkv", "The Social Network"},
    {"Drive.2011.1080p.BluRay.x264-SPARKS.mkv", "Drive"},
    {"Django.Unchained.2012.DVDSCR.XviD-AC3.avi", "Django Unchained"},
    {"Gravity.2013.3D.HSBS.1080p.BluRay.x264.mkv", "Gravity"},
    {"Interstellar.2014.IMAX.720p.BluRay.x264.mkv", "Interstellar"},
    {"Mad.Max.Fury.Road.2015.1080p.WEB-DL.DD5.1.H264-FGT.mkv", "Mad Max Fury Road"},
    {"Arrival.2016.1080p.WEB-DL.H264.AC3-EVO.mkv", "Arrival"},
    {"Get.Out.2017.720p.WEBRip.x264-MkvCage.mkv", "Get Out"},
    {"Roma.2018.SPANISH.1080p.NF.WEBRip.DDP5.1.x264-NTG.mkv", "Roma"},
    {"Parasite.2019.KOREAN.1080p.BluRay.H264.AAC-VXT.mp4", "Parasite"},
    {"Tenet.2020.IMAX.2160p.UHD.BluRay.x265.10bit.HDR.DTS-HD.MA.5.1-SWTYBLZ.mkv", "Tenet"},
    {"Dune.2021.1080p.HMAX.WEB-DL.DDP5.1.Atmos.H.264-EVO.mkv", "Dune"},
    {"Everything.Everywhere.All.at.Once.2022.1080p.AMZN.WEB-DL.mkv", "Everything Everywhere All at Once"},
    {"Oppenheimer.2023.1080p.WEBRip.x265.10bit.AAC5.1-LAMA.mp4", "Oppenheimer"},
    {"The.Zone.of.Interest.2023.720p.WEB.h264-ETHEL.mkv", "The Zone of Interest"},
    {"Metropolis.1927.Restored.720p.BluRay.x264.mkv", "Metropolis"},
    {"Modern.Times.1936.Criterion.1080p.BluRay.mkv", "Modern Times"},
    {"Seven.Samurai.1954.CRITERION.DVDRip.XviD.avi", "Seven Samurai"},
    {"Lawrence.of.Arabia.1962.CD1.avi", "Lawrence of Arabia"},
    {"Dr.Strangelove.1964.720p.BluRay.x264.mkv", "Dr Strangelove"},
    {"The.Good.the.Bad.and.the.Ugly.1966.EXTENDED.DVDRip.avi", "The Good the Bad and the Ugly"},
    {"Once.Upon.a.Time.in.the.West.1968.ITALIAN.1080p.mkv", "Once Upon a Time in the West"},
    {"Chinatown.1974.DVDRip.avi", "Chinatown"},
    // numbers in titles
    {"2001.A.Space.Odyssey.1968.1080p.BluRay.x264.mkv", "2001 A Space Odyssey"},
    {"300.2006.720p.BluRay.x264-SiNNERS.mkv", "300"},
    {"Se7en.1995.REMASTERED.1080p.BluRay.mkv", "Se7en"},
    {"Ocean's.Eleven.2001.DVDRip.XviD.avi", "Ocean's Eleven"},
    {"Oceans.Twelve.2004.720p.mkv", "Oceans Twelve"},
    {"1917.2019.1080p.BluRay.x264-SPARKS.mkv", "1917"},
    {"2012.2009.DVDRip.XviD-iMBT.avi", "2012"},
    {"Blade.Runner.2049.2017.1080p.WEB-DL.mkv", "Blade Runner 2049"},
    {"Apollo.13.1995.DVDRip.avi", "Apollo 13"},
    {"12.Angry.Men.1957.720p.BluRay.mkv", "12 Angry Men"},
    {"21.Grams.2003.DVDRip.XviD.avi", "21 Grams"},
    {"8.Mile.2002.DVDRip.avi", "8 Mile"},
    {"10.Things.I.Hate.About.You.1999.DVDRip.avi", "10 Things I Hate About You"},
    {"The.40.Year.Old.Virgin.2005.UNRATED.DVDRip.avi", "The 40 Year Old Virgin"},
    {"(500).Days.of.Summer.2009.720p.BluRay.mkv", "500 Days of Summer"},
    {"2046.2004.DVDRip.XviD.avi", "2046"},
    {"1408.2007.DVDRip.avi", "1408"},
    {"Terminator.2.Judgment.Day.1991.1080p.mkv", "Terminator 2 Judgment Day"},
    {"Rocky.IV.1985.DVDRip.avi", "Rocky IV"},
    {"Mission.Impossible.2.2000.DVDRip.avi", "Mission Impossible 2"},
    {"The.Number.23.2007.DVDRip.avi", "The Number 23"},
    {"9.2009.720p.BluRay.mkv", "9"},
    {"1984.1984.DVDRip.avi", "1984"},
    {"Catch-22.1970.DVDRip.avi", "Catch-22"},
    {"10,000.BC.2008.DVDRip.avi", "10,000 BC"},
    {"Wonder.Woman.1984.2020.1080p.HMAX.WEB-DL.mkv", "Wonder Woman 1984"},
    {"2.Fast.2.Furious.2003.DVDRip.avi", "2 Fast 2 Furious"},
    {"Fast.Five.2011.EXTENDED.720p.mkv", "Fast Five"},
    {"Star.Wars.Episode.IV.A.New.Hope.1977.mkv", "Star Wars Episode IV A New Hope"},
    {"Harry.Potter.and.the.Deathly.Hallows.Part.1.2010.720p.BluRay.mkv", "Harry Potter and the Deathly Hallows Part 1"},
    {"Airport.1975.1974.DVDRip.avi", "Airport 1975"},
    {"3.10.to.Yuma.2007.DVDRip.avi", "3:10 to Yuma"},
    {"127.Hours.2010.720p.BluRay.mkv", "127 Hours"},
    {"28.Days.Later.2002.DVDRip.avi", "28 Days Later"},
    {"District.9.2009.720p.mkv", "District 9"},
    {"Big.Hero.6.2014.1080p.mkv", "Big Hero 6"},
    {"Iron.Man.3.2013.720p.mkv", "Iron Man 3"},
    {"Ocean's.8.2018.WEB-DL.mkv", "Ocean's 8"},
    {"Movie.43.2013.UNRATED.DVDRip.avi", "Movie 43"},
    {"Wonder Woman 1984.mkv", "Wonder Woman 1984"},
    {"[REC].2007.SPANISH.DVDRip.avi", "[REC]"},
    // brackets, blanks and odd separators
    {"The Matrix (1999).avi", "The Matrix"},
    {"The Matrix (1999) [1080p].mkv", "The Matrix"},
    {"Heat (1995) [BluRay] [720p] [YTS.AG].mp4", "Heat"},
    {"[YTS.MX] Jaws (1975) 1080p.mp4", "Jaws"},
    {"[ www.Torrenting.com ] - Joker.2019.1080p.WEBRip.mp4", "Joker"},
    {"www.1TamilMV.com - Vikram (2022) Tamil HQ HDRip.mkv", "Vikram"},
    {"Up (2009) {1080p}.mkv", "Up"},
    {"Amadeus [Director's Cut] (1984).avi", "Amadeus"},
    {"Her_2013_720p_BluRay.mkv", "Her"},
    {"the_big_lebowski_1998_dvdrip.avi", "the big lebowski"},
    {"Leon  The   Professional 1994.avi", "Leon The Professional"},
    {"Trainspotting - 1996 - DVDRip.avi", "Trainspotting"},
    {"Requiem for a Dream - Director's Cut.mkv", "Requiem for a Dream"},
    {"Mr. & Mrs. Smith (2005).avi", "Mr & Mrs Smith"},
    {"Star Wars - Episode V - The Empire Strikes Back (1980).mkv", "Star Wars Episode V The Empire Strikes Back"},
    {"Spider-Man.2002.DVDRip.avi", "Spider-Man"},
    {"X-Men.2000.avi", "X-Men"},
    {"Ant-Man.mkv", "Ant-Man"},
    {"Inception-FLAWLESS.avi", "Inception"},
    {"Memento-aXXo.avi", "Memento"},
    {"The Prestige.avi", "The Prestige"},
    {"Heat.mkv", "Heat"},
    {"uncut.gems.2019.1080p.web.mkv", "uncut gems"},
    {"Limitless.2011.Unrated.Extended.Cut.720p.mkv", "Limitless"},
    {"Charlotte's.Web.2006.DVDRip.avi", "Charlotte's Web"},
    {"The.Italian.Job.2003.720p.mkv", "The Italian Job"},
    {"The.English.Patient.1996.DVDRip.avi", "The English Patient"},
    {"The.French.Connection.1971.1080p.mkv", "The French Connection"},
    {"The.Good.German.2006.DVDRip.avi", "The Good German"},
    {"S.W.A.T.2003.DVDRip.XviD.avi", "S.W.A.T."},
    {"A.I.Artificial.Intelligence.2001.DVDRip.avi", "A.I. Artificial Intelligence"},
    {"V.for.Vendetta.2005.720p.mkv", "V for Vendetta"},
    {"I.Robot.2004.DVDRip.avi", "I, Robot"},
    {"M.1931.GERMAN.DVDRip.avi", "M"},
    {"Dr.No.1962.720p.mkv", "Dr. No"},
    {"Hot.Fuzz.2007.DC.DVDRip.avi", "Hot Fuzz"},
    {"WALL-E.2008.720p.BluRay.mkv", "WALL-E"},
    {"Mother!.2017.1080p.mkv", "Mother!"},
    {"Birdman.or.(The.Unexpected.Virtue.of.Ignorance).2014.mkv", "Birdman or (The Unexpected Virtue of Ignorance)"},
    {"Cam.2018.NF.WEBRip.x264.mkv", "Cam"},
    {"Tag.2018.720p.WEB-DL.mkv", "Tag"},
    {"The Lord of the Rings - The Fellowship of the Ring (2001) Extended.mkv",
     "The Lord of the Rings The Fellowship of the Ring"},
    {"Pirates of the Caribbean - Dead Man's Chest.avi", "Pirates of the Caribbean Dead Man's Chest"},
    {"Yol.1982.TR.DVDRip.avi", "Yol"},
    {"Muhsin.Bey.1987.DVDRip.XviD-TR.avi", "Muhsin Bey"},
    {"Propaganda.1999.DVDRip.avi", "Propaganda"},
    {"Organize.Isler.2005.DVDRip.avi", "Organize Isler"},
    {"Uzak.2002.FESTiVAL.DVDRip.avi", "Uzak"},
    // other languages
    {"Ag\xC4\xB1r.Roman.1997.DVDRip.TR.avi", "Ag\xC4\xB1r Roman"},
    {"E\xC5\x9Fk\xC4\xB1ya.1996.DVDRip.XviD.avi", "E\xC5\x9Fk\xC4\xB1ya"},
    {"Babam.ve.O\xC4\x9Flum.2005.DVDRip.Turkce.Dublaj.avi", "Babam ve O\xC4\x9Flum"},
    {"Vizontele.2001.TR.DVDRip.XviD.avi", "Vizontele"},
    {"Kis.Uykusu.2014.TURKISH.1080p.BluRay.x264.mkv", "Kis Uykusu"},
    {"Bir Zamanlar Anadolu'da (2011).mkv", "Bir Zamanlar Anadolu'da"},
    {"G.O.R.A.2004.DVDRip.avi", "G.O.R.A."},
    {"Hababam.Sinifi.1975.TR.Dublaj.avi", "Hababam Sinifi"},
    {"Le.Fabuleux.Destin.d'Amelie.Poulain.2001.FRENCH.DVDRip.avi", "Le Fabuleux Destin d'Amelie Poulain"},
    {"La.Haine.1995.FRENCH.1080p.BluRay.mkv", "La Haine"},
    {"Das.Boot.1981.Directors.Cut.GERMAN.DVDRip.avi", "Das Boot"},
    {"Der.Untergang.2004.GERMAN.DL.1080p.BluRay.mkv", "Der Untergang"},
    {"Lola.rennt.1998.GERMAN.DVDRip.avi", "Lola rennt"},
    {"Ladri.di.biciclette.1948.ITALIAN.DVDRip.avi", "Ladri di biciclette"},
    {"La.vita.e.bella.1997.iTALiAN.DVDRip.avi", "La vita e bella"},
    {"El.laberinto.del.fauno.2006.SPANISH.DVDRip.avi", "El laberinto del fauno"},
    {"Y.tu.mama.tambien.2001.720p.mkv", "Y tu mama tambien"},
    {"Cidade.de.Deus.2002.DVDRip.avi", "Cidade de Deus"},
    {"Sen.to.Chihiro.no.Kamikakushi.2001.JAPANESE.mkv", "Sen to Chihiro no Kamikakushi"},
    {"Jagten.2012.DANISH.720p.BluRay.mkv", "Jagten"},
    {"Det.sjunde.inseglet.1957.SWEDISH.DVDRip.avi", "Det sjunde inseglet"},
    {"Ida.2013.POLISH.720p.BluRay.mkv", "Ida"},
    {"\xD0\xA1\xD1\x82\xD0\xB0\xD0\xBB\xD0\xBA\xD0\xB5\xD1\x80.1979.DVDRip.avi",
     "\xD0\xA1\xD1\x82\xD0\xB0\xD0\xBB\xD0\xBA\xD0\xB5\xD1\x80"},
    {"Stalker.1979.RUSSIAN.720p.BluRay.mkv", "Stalker"},
    {"Nader.and.Simin.A.Separation.2011.720p.mkv", "Nader and Simin A Separation"},
    {"Ying.xiong.2002.CHINESE.DVDRip.avi", "Ying xiong"},
    // parts
    {"Film.CD1.avi", "Film"},
    {"Film.CD2.avi", "Film"},
    {"The.Green.Mile.1999.CD2.DVDRip.XviD.avi", "The Green Mile"},
    {"Schindlers.List.1993.DVDRip.CD1of2.avi", "Schindlers List"},
    {"Braveheart.1995.DVDRip.XviD.cd2-DiAMOND.avi", "Braveheart"},
    {"Magnolia.1999.part1.avi", "Magnolia"},
    {"Heat.1995.Disc.2.avi", "Heat"},
    {"Dances With Wolves CD 1.avi", "Dances With Wolves"},
    {"Ben-Hur.1959.cd1.avi", "Ben-Hur"},
    {"Seven.Samurai.1of2.avi", "Seven Samurai"},
    {"Gone.With.The.Wind.pt2.avi", "Gone With The Wind"},
    // folders
    {"The Matrix (1999)/CD1.avi", "The Matrix"},
    {"The Matrix (1999)/movie.avi", "The Matrix"},
    {"Films/Heat.1995.DVDRip-FxM/heat-cd1.avi", "heat"},
    {"The.Thing.1982.720p.BluRay.x264-HDEX/CD2/cd2.avi", "The Thing"},
    {"Downloads/Alien.1979.1080p.BluRay.x264/sample.mkv", "Alien"},
    {"Movies/Zodiac (2007)/video.mkv", "Zodiac"},
    {"Arsiv/Filmler/Yol (1982)/CD1/yol-cd1.avi", "yol"},
    {"Rear Window 1954/cd2.avi", "Rear Window"},
    {"Sicario.2015.1080p.BluRay.x264-SPARKS/sicario.2015.1080p.bluray.x264-sparks.mkv", "sicario"},
    {"Vertigo [1958]/Vertigo.mkv", "Vertigo"},
};

// The ways release names hide a title, one family each: the title must come out whole.
const TNameCase kFamilies[] = {
    // a scene abbreviation or a hash as the file, the real name on its folder
    {"Kill.Bill.Vol.1.2003.DVDRip.XviD-DMT/dmt-kb1.avi", "Kill Bill Vol 1"},
    {"The.Dark.Knight.2008.DVDRip.XviD-aAF/aaf-tdk.avi", "The Dark Knight"},
    {"No.Country.for.Old.Men.2007.DVDSCR.XviD-mVs/mvs-ncfom-cd1.avi", "No Country for Old Men"},
    {"Zodiac.2007.720p.BluRay.x264-SiNNERS/sinners-zodiac.720p.mkv", "Zodiac"},
    {"Children.of.Men.2006.DVDRip.XviD-DiAMOND/dmd-com.avi", "Children of Men"},
    {"Casino.Royale.2006.DVDRip.XviD-NeDiVx/ndx-cr-cd2.avi", "Casino Royale"},
    {"Gran.Torino.2008.DVDRip.XviD-DoNE/d0ne-gt.avi", "Gran Torino"},
    {"Inception.2010.720p.BluRay.x264-REFiNED/7f3a9c1e5b2d8f40.mkv", "Inception"},
    {"The.Wrestler.2008.DVDRip.XviD-ESPiSE/wrestler-espise.avi", "The Wrestler"},
    // language and edition words before the release
    {"Amelie.French.DVDRip.XviD.avi", "Amelie"},
    {"Les.Choristes.TRUEFRENCH.DVDRip.XviD-FUTiL.avi", "Les Choristes"},
    {"Das.Leben.der.Anderen.German.DL.720p.BluRay.x264.mkv", "Das Leben der Anderen"},
    {"Intouchables.MULTi.1080p.BluRay.x264-LOST.mkv", "Intouchables"},
    {"Gomorra.Ita.DVDRip.XviD.avi", "Gomorra"},
    {"Volver.Dual.DVDRip.avi", "Volver"},
    {"Rashomon.Criterion.Edition.DVDRip.avi", "Rashomon"},
    {"Brazil.Director.Cut.DVDRip.XviD.avi", "Brazil"},
    {"Aliens.SE.DVDRip.XviD-GRP.avi", "Aliens"},
    {"Tremors.4.STV.DVDRip.XviD.avi", "Tremors 4"},
    {"Dogville.COMPLETE.PAL.DVDR-GRP.avi", "Dogville"},
    {"Ronin.CONVERT.DVDRip.XviD.avi", "Ronin"},
    {"Snatch.LiMiTED.DVDRip.XviD-GRP.avi", "Snatch"},
    {"Juno.NFOFiX.DVDRip.XviD-GRP.avi", "Juno"},
    {"Coraline.3D.720p.BluRay.x264.mkv", "Coraline"},
    // the film's other title in brackets, or after "aka"
    {"Le Prestige (The Prestige) 2006 DVDRip.avi", "Le Prestige"},
    {"Youth In Revolt (Be Bad).avi", "Youth In Revolt"},
    {"Das Boot (The Boat) 1981 Director's Cut.mkv", "Das Boot"},
    {"Ladri di biciclette (Bicycle Thieves) [1948].avi", "Ladri di biciclette"},
    {"Shall.We.Dansu.AKA.Shall.We.Dance.1996.DVDRip.avi", "Shall We Dansu"},
    // dates, indexes and series before the title
    {"09.03.08.The.Bank.Job.DVDRip.XviD.avi", "The Bank Job"},
    {"(1) Dr. No (1962).avi", "Dr No"},
    {"[01] Goldfinger.1964.avi", "Goldfinger"},
    {"01 - Thunderball.avi", "Thunderball"},
    {"007.Skyfall.2012.720p.mkv", "Skyfall"},
    {"2008-11-21.Twilight.DVDScr.avi", "Twilight"},
    {"James_Bond-f21-Casino_Royale_2006_DVDRip.avi", "Casino Royale"},
    {"Star_Trek-f02-The_Wrath_of_Khan_1982.avi", "The Wrath of Khan"},
    // an extra or an episode after the title
    {"Kill.Bill.Vol.1-x02-Stunts.avi", "Kill Bill Vol 1"},
    {"The.Matrix-x01-Making.Of.avi", "The Matrix"},
    {"Heat.x03.Deleted.Scenes.avi", "Heat"},
    {"Band.of.Brothers.E01.Currahee.avi", "Band of Brothers"},
};

// Case and punctuation aside: "Ocean's Eleven" is "oceans eleven", "3:10" is "3 10".
std::string Comparable(std::string_view title) {
  std::string out;
  bool blank = false;
  for (char c : title) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || byte >= 0x80) {
      if (blank && !out.empty()) out += ' ';
      blank = false;
      out += static_cast<char>(std::tolower(byte));
    } else if (c != '\'') {
      blank = true;
    }
  }
  return out;
}

TEST(FilmNameTest, MostRealWorldNamesGiveTheExactTitle) {
  std::vector<TNameCase> all(std::begin(kNames), std::end(kNames));
  all.insert(all.end(), std::begin(kFamilies), std::end(kFamilies));
  std::size_t exact = 0;
  std::vector<std::string> misses;
  for (const TNameCase& name : all) {
    const std::string title = GuessFilmName(name.Path).Title;
    if (Comparable(title) == Comparable(name.Title)) {
      ++exact;
    } else {
      misses.push_back(std::string(name.Path) + " -> \"" + title + "\", not \"" + name.Title + "\"");
    }
  }
  std::cout << "exact titles: " << exact << " of " << all.size() << '\n';
  for (const auto& miss : misses) std::cout << "  miss: " << miss << '\n';
  EXPECT_GE(all.size(), 230u);
  EXPECT_GE(exact * 10, all.size() * 9);
}

class FilmNameFamilies : public testing::TestWithParam<TNameCase> {};

TEST_P(FilmNameFamilies, TitleComesOutWhole) {
  EXPECT_EQ(Comparable(GuessFilmName(GetParam().Path).Title), Comparable(GetParam().Title)) << GetParam().Path;
}

INSTANTIATE_TEST_SUITE_P(Names, FilmNameFamilies, testing::ValuesIn(kFamilies));

struct TFieldCase {
  const char* Path;
  std::optional<int> Year;
  std::optional<int> CdNumber;
  std::optional<int> CdCount;
};

class FilmNameFields : public testing::TestWithParam<TFieldCase> {};

TEST_P(FilmNameFields, YearAndPartsAreRead) {
  const TFilmName guessed = GuessFilmName(GetParam().Path);
  EXPECT_EQ(guessed.Year, GetParam().Year) << GetParam().Path;
  EXPECT_EQ(guessed.CdNumber, GetParam().CdNumber) << GetParam().Path;
  EXPECT_EQ(guessed.CdCount, GetParam().CdCount) << GetParam().Path;
}

INSTANTIATE_TEST_SUITE_P(
    Names, FilmNameFields,
    testing::Values(TFieldCase{"The.Matrix.1999.720p.mkv", 1999, {}, {}},
                    TFieldCase{"2001.A.Space.Odyssey.1968.mkv", 1968, {}, {}},
                    TFieldCase{"1917.avi", {}, {}, {}},
                    TFieldCase{"Blade.Runner.2049.2017.mkv", 2017, {}, {}},
                    TFieldCase{"Movie.DVDRip.2004.avi", 2004, {}, {}},
                    TFieldCase{"Film.CD2.avi", {}, 2, {}},
                    TFieldCase{"Film.cd1of3.avi", {}, 1, 3},
                    TFieldCase{"Film CD 2 of 2.avi", {}, 2, 2},
                    TFieldCase{"Film.2of3.avi", {}, 2, 3},
                    TFieldCase{"Film.part2.avi", {}, 2, {}},
                    TFieldCase{"Film.Disc.3.avi", {}, 3, {}},
                    TFieldCase{"Film.Part.2.avi", {}, {}, {}},
                    TFieldCase{"The Matrix (1999)/CD2.avi", 1999, 2, {}},
                    TFieldCase{"Heat.1995/CD1/movie.avi", 1995, 1, {}},
                    TFieldCase{"Heat.1899.avi", {}, {}, {}},
                    TFieldCase{"Heat.2100.avi", {}, {}, {}},
                    // the folder's year when the file has none and the titles agree
                    TFieldCase{"Fear and Loathing in Las Vegas (1998)/Fear.and.Loathing.in.Las.Vegas.720p.BluRay.x264.mkv",
                               1998, {}, {}},
                    TFieldCase{"Films/Heat.1995.DVDRip-FxM/heat-cd1.avi", 1995, 1, {}},
                    TFieldCase{"The.Wrestler.2008.DVDRip.XviD-ESPiSE/wrestler-espise.avi", 2008, {}, {}},
                    TFieldCase{"Casino.Royale.2006.DVDRip.XviD-NeDiVx/ndx-cr-cd2.avi", 2006, 2, {}},
                    // and not from a folder of another film
                    TFieldCase{"Heat (1995)/Ronin.avi", {}, {}, {}},
                    TFieldCase{"Comedies 2004/Heat.avi", {}, {}, {}}));

TEST(FilmNameTest, ReleaseWordsTellSourceResolutionCodecAndGroup) {
  using Words = std::vector<std::string>;
  EXPECT_EQ(GuessFilmName("The.Matrix.1999.720p.BluRay.x264-SPARKS.mkv").ReleaseWords,
            (Words{"720p", "bluray", "x264", "sparks"}));
  // Languages, flags and audio tell nothing of the picture.
  EXPECT_EQ(GuessFilmName("Heat.1995.FRENCH.PROPER.DVDRip.XviD.AC3-FxM.avi").ReleaseWords,
            (Words{"dvdrip", "xvid", "fxm"}));
  EXPECT_EQ(GuessFromName("Heat 1995 DVDRip XviD-FxM", false).ReleaseWords, (Words{"dvdrip", "xvid", "fxm"}));
  EXPECT_EQ(GuessFilmName("Heat.mkv").ReleaseWords, Words{});
  // A folder's release stands for an abbreviated file's.
  EXPECT_EQ(GuessFilmName("Kill.Bill.Vol.1.2003.DVDRip.XviD-DMT/dmt-kb1.avi").ReleaseWords,
            (Words{"dvdrip", "xvid", "dmt"}));
}

TEST(FilmNameTest, AFileNamedForItsOwnFilmKeepsItsTitleWhateverTheFolder) {
  // A title of its own, or a word that is no abbreviation of the folder's.
  EXPECT_EQ(GuessFilmName("Heat.1995.DVDRip-FxM/Ronin.1998.avi").Title, "Ronin");
  EXPECT_EQ(GuessFilmName("Heat.1995.DVDRip-FxM/ronin.avi").Title, "ronin");
  // A folder that is no release says nothing of an abbreviated file.
  EXPECT_EQ(GuessFilmName("Films/dmt-kb1.avi").Title, "dmt");
}

TEST(FilmNameTest, NameWithoutTitleAndNoFolderGivesAnEmptyTitle) {
  EXPECT_EQ(GuessFilmName("CD1.avi").Title, "");
  EXPECT_EQ(GuessFilmName("").Title, "");
  EXPECT_EQ(GuessFilmName("....avi").Title, "");
}

TEST(FilmNameTest, FolderNamesKeepWhatLooksLikeAnExtension) {
  EXPECT_EQ(GuessFromName("Mission.Impossible.2", false).Title, "Mission Impossible 2");
  EXPECT_EQ(GuessFromName("The.Cell.avi", false).Title, "The Cell avi");
  EXPECT_EQ(GuessFromName("The.Cell.avi").Title, "The Cell");
}

}  // namespace
}  // namespace velkaro
